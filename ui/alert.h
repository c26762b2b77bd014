#pragma once

#include "ui/toolkit/controlarray.h"
#include "ui/toolkit/textbox.h"

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

// A small OK/Cancel message window. A caller fills `message`, shows the
// window and, once it is hidden, reads `respond`: true after OK, false after
// Cancel or before any button. The window is made on first use (form()) and
// afterwards only shown and hidden, so text and answer stay between uses.
class alert : public QDialog { // design name
    Q_OBJECT
public:
    // The one window, created when first asked for.
    static alert& form();
    // Destroys the window if it exists; the next form() makes a fresh one.
    static void unload();

    // Design names: the controls and their handler keep the design's spelling.
    toolkit::ControlArray<QPushButton> Command1{QStringLiteral("Command1")};
    QRadioButton* respond;
    toolkit::TextBox* message;

    void Command1_Click(int index);
    // Shows the window modally; returns once a button (or the close box) has
    // hidden it.
    void showModal();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    alert();
};

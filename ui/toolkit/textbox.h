#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace toolkit {

// A multi-line text box with a vertical scroll bar whose text holds its line
// breaks as cr lf, whether typed (Enter starts a new line) or set. A lone cr
// or lf that is set comes back as cr lf.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    void setCentred(bool centred);
};

} // namespace toolkit

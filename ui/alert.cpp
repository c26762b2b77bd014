// The OK/Cancel message window.

#include "ui/alert.h"

#include "ui/toolkit/modalseam.h"
#include "ui/toolkit/twips.h"

#include <QCoreApplication>
#include <QPalette>
#include <QPointer>
#include <QShowEvent>

namespace {
QPointer<alert>& instance()
{
    static QPointer<alert> window;
    return window;
}
} // namespace

alert& alert::form()
{
    if (!instance()) {
        instance() = new alert;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &alert::unload);
    }
    return *instance();
}

void alert::unload() { delete instance().data(); }

alert::alert() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("alert"));
    setFont(toolkit::designFont(8.25));
    toolkit::fixedDialogFrame(this, 3915, 2160);
    setWindowTitle(QStringLiteral(" "));

    const QString captions[] = {QStringLiteral("OK"), QStringLiteral("Cancel")};
    for (int index = 0; index < 2; ++index) {
        auto* button = Command1.add(index, new QPushButton(captions[index], this));
        button->setAutoDefault(false);
    }
    toolkit::placeTwips(Command1[0], 60, 1740, 975, 345);
    toolkit::placeTwips(Command1[1], 2880, 1740, 975, 345);
    Command1.connect(&QPushButton::clicked, [this](int index) { Command1_Click(index); });

    // Holds the answer only: it lies under the OK button, out of sight and
    // out of reach of the mouse and the keyboard.
    respond = new QRadioButton(this);
    respond->setObjectName(QStringLiteral("respond"));
    respond->setAutoExclusive(false);
    respond->setChecked(false);
    respond->setFocusPolicy(Qt::NoFocus);
    toolkit::placeTwips(respond, 360, 1800, 255, 195);
    respond->stackUnder(Command1[0]);

    message = new toolkit::TextBox(this);
    message->setObjectName(QStringLiteral("message"));
    message->setReadOnly(true);
    message->setCentred(true);
    message->setFont(toolkit::designFont(8.25, true));
    QPalette face = message->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    message->setPalette(face);
    toolkit::placeTwips(message, 120, 60, 3675, 1575);

    toolkit::setTabOrder({Command1[0], Command1[1], message});
    Command1[0]->setFocus();
}

void alert::Command1_Click(int index)
{
    if (index == 0)
        respond->setChecked(true);
    else if (index == 1)
        respond->setChecked(false);
    hide();
}

void alert::showModal() { exec(); }

// The close box and Escape answer as Cancel does, so an earlier OK cannot
// stand for a window the user dismissed.
void alert::reject() { Command1_Click(1); }

void alert::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && isModal())
        modalseam::shown(this);
}

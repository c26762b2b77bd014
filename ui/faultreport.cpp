// Reporting a fault to the user in a modal message.

#include "ui/faultreport.h"

#include "ui/modalseam.h"
#include "util/fault.h"

#include <QMessageBox>

void reportError(QWidget* parent, const QString& command, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("%1 failed").arg(command),
                    QStringLiteral("%1 stopped.\n\n%2").arg(command, text), QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("faultreport"));
    modalseam::shown(&box);
    box.exec();
}

void reportFault(QWidget* parent, const QString& command, const Fault& fault)
{
    reportError(parent, command, fault.message());
}

// Reporting a fault to the user in a modal message.

#include "ui/toolkit/faultreport.h"

#include "ui/toolkit/modalseam.h"
#include "util/fault.h"

#include <QMessageBox>

QString errorText(const QString& command, const QString& text)
{
    return QStringLiteral("%1 stopped.\n\n%2").arg(command, text);
}

QString faultText(const QString& command, const Fault& fault)
{
    return errorText(command, fault.message());
}

void reportError(QWidget* parent, const QString& command, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("%1 failed").arg(command),
                    errorText(command, text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("faultreport"));
    modalseam::shown(&box);
    box.exec();
}

void reportFault(QWidget* parent, const QString& command, const Fault& fault)
{
    reportError(parent, command, fault.message());
}

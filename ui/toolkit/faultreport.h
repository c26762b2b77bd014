#pragma once

#include <QString>

class QWidget;
class Fault;

// The text of the message: what stopped, then why.
QString errorText(const QString& command, const QString& text);
QString faultText(const QString& command, const Fault& fault);

// Tells the user, in a modal message, which command a fault stopped and why.
void reportFault(QWidget* parent, const QString& command, const Fault& fault);
// The same for an error that is not one of the program's faults.
void reportError(QWidget* parent, const QString& command, const QString& text);

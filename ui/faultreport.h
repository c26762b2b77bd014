#pragma once

#include <QString>

class QWidget;
class Fault;

// Tells the user, in a modal message, which command a fault stopped and why.
void reportfault(QWidget* parent, const QString& command, const Fault& fault);
// The same for an error that is not one of the program's faults.
void reporterror(QWidget* parent, const QString& command, const QString& text);

#pragma once

#include <QString>
#include <QStringView>

#include <QtGlobal>

// Text and path routines shared by the whole program. Arguments that the
// routines write back are non-const references; the const overloads are for
// callers that pass literals and do not want the write-back.
namespace basicutilities {

// Line-break constants, filled by setcontrolchars() at start-up.
extern QString cr;   // code 13
extern QString lf;   // code 10
extern QString crlf; // cr then lf

void setcontrolchars();

// n == -1: trim mode; n == 0 or n < -1: count mode; n >= 1: field n.
// Trim mode writes the left-trimmed text back into `text`; count and field
// modes write " " into `delimiter` when it was " " or "".
// Throws Fault(SubscriptOutOfRange) when the text holds more delimiter
// occurrences than the routine's position table can take.
QString getfield(QString& text, qint32 n, QString& delimiter);
QString getfield(const QString& text, qint32 n, const QString& delimiter);

// Mode 0 name.ext, 1 name, 2 ext, 3 folder, 4 folder\name.ext, 5 folder\name;
// anything else "". Trims spaces around `path` in the caller's variable.
QString splitpath(QString& path, qint16 mode);
QString splitpath(const QString& path, qint16 mode);

} // namespace basicutilities

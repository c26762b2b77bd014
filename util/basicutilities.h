#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <QtGlobal>

#include <span>

// Text and path routines shared by the whole program. Arguments that the
// routines write back are non-const references; the const overloads are for
// callers that pass literals and do not want the write-back.
namespace basicutilities {

// Line-break constants, filled by setcontrolchars() at start-up.
extern QString cr;   // code 13
extern QString lf;   // code 10
extern QString crlf; // cr then lf

void setcontrolchars(); // design name

// n == -1: trim mode; n == 0 or n < -1: count mode; n >= 1: field n.
// Trim mode writes the left-trimmed text back into `text`; count and field
// modes write " " into `delimiter` when it was " " or "".
// Throws Fault(SubscriptOutOfRange) when the text holds more delimiter
// occurrences than the routine's position table can take.
//
// Delimiter " " (or ""): the text is cut after collapsing runs of spaces
// into one and dropping leading spaces; only U+0020 counts as a space.
// Bounds: count mode takes at most 7998 occurrences; field mode takes any
// field up to 7999, field 8000 only with fewer than 8000 occurrences; a
// field above 8000 is "" without a search.
//
// Delimiters of several characters: occurrences do not overlap, each search
// starting where the previous occurrence ended, and a field lies strictly
// between two occurrences. A trailing occurrence (one ending at the end of
// the text) opens no field in count mode. Trim mode strips whole
// occurrences from both ends; an empty delimiter trims nothing.
// Design name, both overloads.
QString getfield(QString& text, qint32 n, QString& delimiter);
QString getfield(const QString& text, qint32 n, const QString& delimiter);

// Where one field lies in its row.
struct FieldSpan {
    qsizetype start = 0;
    qsizetype length = 0;
};

// Cuts fields 1 … out.size() of `row` in one pass; out[i] receives field
// i + 1, exactly what getfield(row, i + 1, delimiter) returns, and a missing
// field is an empty span at the end of the row. `delimiter` must not be a
// space (spaces would need collapsing first). Returns how many of the
// entries hold a field the row actually has. Throws as getfield does when
// field 8000 is asked for on a row with 8000 or more delimiters.
qsizetype cutFields(QStringView row, QChar delimiter, std::span<FieldSpan> out);

// Mode 0 name.ext, 1 name, 2 ext, 3 folder, 4 folder\name.ext, 5 folder\name;
// anything else "". Trims spaces around `path` in the caller's variable.
// "/", "*", "?", "<", ">" and "|" are dropped before splitting. Only the
// last element's dots count: name and extension are the parts before the
// first and between the first and second dot after the last backslash, and
// a dot in a folder name stays part of the folder. Any length is taken.
// Design name, both overloads.
QString splitpath(QString& path, qint16 mode);
QString splitpath(const QString& path, qint16 mode);

} // namespace basicutilities

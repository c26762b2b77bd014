#pragma once

// The date a document is stamped with.

#include <QDateTime>

#include <optional>

// The time SOURCE_DATE_EPOCH (the reproducible-builds convention) fixes for
// a document's date: none when it is unset or empty. Throws Fault when it is
// not a whole number of seconds from 1970 to the end of the year 9999.
std::optional<QDateTime> sourceDateEpoch();

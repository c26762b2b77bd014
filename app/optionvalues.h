#pragma once

// The converter's option values, each read whole: no blanks or line breaks
// around a number, no sign, nothing after it.

#include "capture/csvcapture.h"
#include "printing/page/diagramoptions.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <utility>
#include <variant>

// A flag for each channel of a CSV capture.
using ChannelList = std::array<bool, csv::channelCount>;

// 1 to 9 digits and nothing else.
std::optional<int> wholeNumber(QStringView text);

// "0-3,7", "all" or "none", blanks (spaces, tabs) around items allowed;
// nullopt for anything else (a channel outside 0 ... 15, a range that runs
// backwards, an empty item, a line break).
std::optional<ChannelList> parseChannelList(const QString& list);

// "600-900": the first and last sample, 0-based; nullopt for anything but
// two whole numbers with a dash between.
std::optional<std::pair<int, int>> parseSampleRange(const QString& range);

// "ns", "us", "ms" give 0, 1, 2; "none" gives -1.
std::optional<int> parseUnit(const QString& unit);

// Digits only, at most 2^31 - 1: the page states the spacing as typed, so
// "2.5" or "1e3" would state one spacing and draw another.
bool isTickSpacing(const QString& text);

// A decimal number and nothing else ("2.5", "-3", "0.001", "1e3"), or empty
// for none. The page prints it as typed and computes with its value, so
// "2,5" would print one period and time another.
bool isResolution(const QString& text);

// "DATA=7-0", "ADDR=15,11-8:dec": a bus's name, its channels most
// significant first (numbers, and ranges that may run either way), and its
// radix (hex, dec, bin or ascii, any case; hex when none). Otherwise what is
// wrong with it, for a usage error.
std::variant<BusLane, QString> parseBus(const QString& text);

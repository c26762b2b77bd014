#pragma once

// A bus lane as people write it: its channels as "7-0" or "15,11-8", most
// significant first, and its radix by name. The converter's --bus and the
// preview's bus editor read and show the same words.

#include "printing/page/diagramoptions.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <variant>
#include <vector>

// Numbers and ranges that may run either way, separated by commas, each
// channel once, at most widestBus of them; otherwise what is wrong, for a
// message.
std::variant<std::vector<int>, QString> parseBusChannels(QStringView text);
// The shortest such text for `channels`: "7-0", "15,11-8", "3,5".
QString busChannelsText(const std::vector<int>& channels);

// "hex", "dec", "bin", "ascii", in that order.
QStringList radixNames();
QString radixName(Radix radix);
// Any case.
std::optional<Radix> radixNamed(QStringView name);

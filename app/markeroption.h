#pragma once

// The converter's --marker SAMPLE[:LABEL], given up to 26 times.

#include "printing/page/diagramoptions.h"

#include <QString>
#include <QStringList>

#include <vector>

// The markers the option's values ask for, in the order given, in a capture
// of `samplecount` samples. Returns the usage error, or "" with `markers`
// set. An empty label ("600:") is the letter of the marker's place. Two
// markers at one sample, or two that print the same label, are refused: the
// page would draw one line for both, or name two lines alike.
QString readMarkerValues(const QStringList& given, int samplecount, std::vector<Marker>& markers);

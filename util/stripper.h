#pragma once

#include <QString>

// Turns a header line into its words, each followed by one space. Commas and
// double quotes in `datain` are overwritten with spaces in place.
QString stripper(QString& datain); // design name

#pragma once

// A capture's selected channels as a value change dump (IEEE 1364), the
// format waveform viewers open.

#include "capture/sampletable.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

struct DumpSettings {
    QString heading;     // written as the dump's comment
    QString resolution;  // the sample period as typed, e.g. "2.5"
    int unitindex = 0;   // 0 ns, 1 us, 2 ms, anything else none
    int firstsample = 0; // the range written, 0-based and inclusive
    int lastsample = sampleCount - 1;
};

// The time scale and the step of one sample in it, exact to the typed
// digits: "100 ns" and 1 for a period of 100 ns, "100 ns" and 25 for 2.5 us.
// The period is the number the text begins with, rounded to whole fs.
// Without a usable period (no number, not above 0, no unit) one sample is
// one "1 ns".
struct DumpTimescale {
    QString timescale;
    std::int64_t step = 1;
    bool known = false;
};
DumpTimescale dumpTimescale(const QString& resolution, int unitindex);

// Reference names for the slots' channel names: printable ASCII, with "_"
// for blanks, controls, other characters and what the format reads as its
// own ("[", "]", a "$" that starts a keyword); never empty, all different.
QStringList dumpNames(const LevelTable& levels);

// One 1-bit wire per filled slot (a level other than 0 counts as 1), the
// values at the first sample of the range, then each change at its time.
QByteArray valueChangeDump(const LevelTable& levels, const DumpSettings& settings);

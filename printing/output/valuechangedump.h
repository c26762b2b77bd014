#pragma once

// A capture's chosen channels as a value change dump (IEEE 1364), the
// format waveform viewers open: the one document written from the levels
// instead of a page.

#include "capture/leveltable.h"
#include "printing/page/pagerequest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// The time scale and the step of one sample in it, exact to the typed
// digits: "100 ns" and 1 for a period of 100 ns, "100 ns" and 25 for 2.5 us.
// The period is the number the text begins with, rounded to whole fs.
// Without a usable period (no number, not above 0, no unit) one sample is
// one "1 ns". The step leaves room for `samplecount` samples in 64 bits.
struct DumpTimescale {
    QString timescale;
    std::int64_t step = 1;
    bool known = false;
};
DumpTimescale dumpTimescale(const SamplePeriod& period, int samplecount);

// Reference names for the slots' channel names: printable ASCII, with "_"
// for blanks, controls, other characters and what the format reads as its
// own ("[", "]", a "$" that starts a keyword); never empty, all different.
QStringList dumpNames(const LevelTable& levels);

// One 1-bit wire per filled slot (a level other than 0 counts as 1), the
// values at the first sample of the request's range, then each change at
// its time; the heading as the comment, the time scale from its period.
QByteArray valueChangeDump(const LevelTable& levels, const PageRequest& request);

#pragma once

// The chosen channels of a capture as levels, one slot each.

#include "capture/sampletable.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// A channel to print: its number in the capture and the name printed for it.
struct ChosenChannel {
    int channel = 0;
    QString name;
};

// Slot s holds channels[s]; slots are filled in the order the channels
// were chosen.
struct LevelTable {
    qint16 lastslot = -1;           // design name: the last filled slot
    int samplecount = 0;            // samples of the capture
    int firstline = 0;              // the file's line of sample 0, for faults
    std::vector<QString> slotnames; // a slot each
    std::vector<int> channels;      // the capture's channel each slot holds
    std::vector<std::vector<quint8>>
        levels;               // samplecount + 1 a slot: the sentinel repeats the last
    std::vector<qint16> sums; // over samples 0 … samplecount - 1
    // For each bus asked for, its value at each sample and the sentinel.
    std::vector<std::vector<quint64>> busvalues;

    int slotCount() const { return lastslot + 1; }
    // Every slot up to lastslot has its name, channel, levels and sum, and
    // every bus its values.
    bool complete() const;
};

// The most channels a bus may read together: one bit each of a value.
inline constexpr int widestBus = 64;

// Converts only the chosen columns. Throws Fault(TypeMismatch / Overflow)
// naming the file, line, field and text that failed, Fault(Overflow) when a
// level sum leaves the signed 16-bit range, and Fault(SubscriptOutOfRange)
// for a channel the capture does not have.
//
// Each of `buses` lists channels read together as one value, the first the
// most significant bit; each of their levels must be 0 or 1 (else
// Fault(TypeMismatch) naming where), and a bus holds at most widestBus.
LevelTable selectChannels(const SampleTable& table, const std::vector<ChosenChannel>& chosen,
                          const std::vector<std::vector<int>>& buses = {});

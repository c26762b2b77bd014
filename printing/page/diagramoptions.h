#pragma once

// What a page may show beside the traces, and how it is laid out on the
// paper. Each is empty or off by default: the page is then the one the
// window prints.

#include "capture/decode/decodedrows.h"
#include "capture/decode/decoderequest.h"

#include <QString>

#include <vector>

// A vertical line at the boundary before `sample`, named by `label` ("" for
// the letter of its place among the markers: A, B, C …).
struct Marker {
    int sample = 0;
    QString label;
    friend bool operator==(const Marker&, const Marker&) = default;
};

enum class Radix { Hex, Dec, Bin, Ascii };

// Channels read together as one value, most significant first, drawn as a
// lane after the single traces.
struct BusLane {
    QString name;
    std::vector<int> channels;
    Radix radix = Radix::Hex;
    friend bool operator==(const BusLane&, const BusLane&) = default;
};

// A protocol decoder stack, as sigrok-cli's -P takes it ("spi:clk=1:mosi=2").
using DecoderStack = decode::StackRequest;

// One row of a decoder's annotations as the page shows it, under the traces
// and bus lanes.
struct DecodedLane {
    QString name; // "SPI MOSI"
    std::vector<decode::Annotation> annotations;
};

// `Sheet`: the 17 x 11 inch sheet, fitted to the paper. `Fill`: laid out on
// the paper itself, its text at its printed size.
enum class LayoutKind { Sheet, Fill };

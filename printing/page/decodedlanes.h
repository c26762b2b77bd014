#pragma once

// Decoded protocols on the page: what the request's decoder stacks make of
// the capture's samples, a lane each row after the bus lanes, each
// annotation a box drawn as a stretch of a bus lane (two lines crossing at
// its ends) with the longest of its texts that fits.

#include "capture/capture.h"
#include "capture/decode/decodedrows.h"
#include "printing/page/pagelayout.h"
#include "printing/page/pagerequest.h"
#include "printing/page/pagesurface.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// The rows of a stack the page shows: those of its top decoder that hold
// annotations, but not the rows that repeat the data at another grain, a
// bit at a time or a transfer or packet at a time (row ids with "bits",
// "transfer" or "packet").
bool shownRow(const decode::DecodedRow& row, int topDecoder);

// A row's name in the name column: the decoder's name and the row's,
// without a last word "data": "SPI MOSI", "UART RX", "I2C Address".
QString laneName(const decode::DecodedRow& row);

// A capture's channel names, one a channel, as a stack is resolved against them.
QStringList channelNames(const Capture& capture);

// Samples a second for a period, 0 when the period is unknown or too long.
quint64 sampleRate(const SamplePeriod& period);

// The rows options.decoders show on a capture: each stack resolved against
// its channel names and run over all of its samples (so that an annotation
// at a range's edge is whole), its shown rows in order. A channel a stack
// reads must hold 0 or 1. Throws Fault(SubscriptOutOfRange) when a stack
// does not fit this capture's channels or period, Fault(DecoderError) when a
// decoder fails, and as selectChannels() for a level.
std::vector<DecodedLane> decodeLanes(const PageRequest& request, const Capture& capture);

// `request` with its decoded lanes, decoding them unless done; as
// decodeLanes() throws.
const PageRequest& decodedRequest(const PageRequest& request, const Capture& capture,
                                  PageRequest& storage);

// The longest of `texts` (longest first) no wider than `room` at `points`;
// "" when none is.
QString fittingText(const QStringList& texts, double room, int points);

// Each decoded lane in its slot after the bus lanes, its name beside it, the
// annotations on this page's samples cut at its edges.
void drawDecodedLanes(PageSurface& page, const PageRequest& request, const PageLayout& layout);

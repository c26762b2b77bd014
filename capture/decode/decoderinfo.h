#pragma once

// The installed protocol decoders and what each one declares.
//
// libsigrokdecode runs the decoders of the sigrok project (spi, uart, i2c and
// about a hundred more) in an embedded Python. The interpreter starts once a
// process, on the first call of any function here or in decoderstack.h and
// decodedrows.h, and stays until the process ends. Every call may come from
// any thread: the library's calls are taken one at a time behind one lock.

#include "capture/decode/checked.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace decode {

struct DecoderChannel {
    QString id;          // the key in a request: "clk"
    QString name;        // "CLK"
    QString description; // "Clock"
};

// The value type follows the default: qint64, double or QString; allowed
// values (empty: any of that type) have the same type.
struct DecoderOption {
    QString id; // "cpol"
    QString description;
    QVariant defaultValue; // invalid when the decoder declares none
    QVariantList values;
};

struct AnnotationClass {
    QString id; // "mosi-data"
    QString description;
};

// A row the decoder groups some of its annotation classes into.
struct AnnotationRowInfo {
    QString id;          // "mosi-data"
    QString description; // "MOSI data"
    QList<int> classes;  // indexes into DecoderInfo::annotations
};

struct DecoderInfo {
    QString id;       // "spi"
    QString name;     // "SPI"
    QString longName; // "Serial Peripheral Interface"
    QString description;
    QList<DecoderChannel> channels;         // each must be given
    QList<DecoderChannel> optionalChannels; // each may be given
    QList<DecoderOption> options;
    QList<AnnotationClass> annotations;
    QList<AnnotationRowInfo> rows;
    QStringList inputs;  // "logic" for samples, else what a decoder below gives
    QStringList outputs; // what a decoder stacked on it may take
};

struct DecoderSummary {
    QString id;
    QString longName;
};

// False when this build has no libsigrokdecode or the interpreter does not
// start; unavailableReason() then says why, in one line.
bool decodingAvailable();
QString unavailableReason();

// Every installed decoder, sorted by id. Loads them all (a second or so of
// work): for --list-decoders, not for a decode.
Checked<QList<DecoderSummary>> listDecoders();

// One decoder, loaded on its own; an id that names no installed decoder is
// refused with a hint at the list. Kept once loaded, so asking again is cheap.
Checked<DecoderInfo> describeDecoder(const QString& id);

// What --decoder-help prints: the decoder's names, its channels (required
// and optional), its options with defaults and allowed values, its
// annotation rows, and what it takes and gives for stacking. Ends in "\n".
QString decoderHelp(const DecoderInfo& info);

// "a whole number", "a number" or "text", as an option's value must be.
QString optionValueKind(const DecoderOption& option);
// An option value as a request writes it: 1.0 as "1", 0.5 as "0.5".
QString optionValueText(const QVariant& value);

} // namespace decode

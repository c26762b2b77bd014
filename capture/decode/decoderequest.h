#pragma once

// A decoder request as typed, in the syntax of sigrok-cli's -P:
//
//     ID:KEY=VALUE:KEY=VALUE,ID2:KEY=VALUE
//
// ID names a decoder; each KEY one of its channels or options; a comma
// stacks the next decoder on the one before it (i2c:scl=0:sda=1,eeprom24xx).
// "ID:help" asks for that decoder's help instead.
//
// Beyond sigrok-cli, a backslash takes the next character as it is, so that
// a channel name or a text value may hold ':', ',', '=' or '\' ("\:" is ':');
// a backslash at the very end is refused. Empty items ("spi::clk=0") are
// passed over, as sigrok-cli does; an empty decoder is refused. A KEY's value
// runs from its first unescaped '=' to the next unescaped ':' or ',' and is
// kept exactly (blanks included); what it means is decided in decoderstack.h.

#include "capture/decode/checked.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace decode {

struct DecoderSetting {
    QString key;
    QString value;
    bool hasValue = false; // "KEY" without '='

    bool operator==(const DecoderSetting&) const = default;
};

struct DecoderRequest {
    QString id;
    QList<DecoderSetting> settings; // in the order given

    bool operator==(const DecoderRequest&) const = default;
};

struct StackRequest {
    QList<DecoderRequest> decoders; // the bottom one first
    QString helpFor; // "spi" for "spi:help", and then no decoders: the rest is not used

    bool operator==(const StackRequest&) const = default;
};

Checked<StackRequest> parseStackRequest(QStringView text);

// The request written back in the same syntax, escaping what needs it:
// parseStackRequest() of it gives `request` again.
QString requestText(const StackRequest& request);

} // namespace decode

#pragma once

#include <QString>

#include <utility>

namespace decode {

// A value, or the one-line usage error that kept it from being made: the
// request names something the decoders or the capture do not have, or this
// build cannot decode at all. The message names the decoder and what it
// takes; text the user gave is escaped as a fault's is.
template <class T>
struct Checked {
    T value{};
    QString error;

    bool ok() const { return error.isEmpty(); }
    static Checked refused(QString message)
    {
        Checked checked;
        checked.error = std::move(message);
        return checked;
    }
};

} // namespace decode

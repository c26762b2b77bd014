#pragma once

// One capture as the program holds it: its header and its samples, read
// once and shared by the window's Print, the preview, the converter and the
// dump.
//
// A capture format comes in as a reader that makes a Capture: the heading,
// one name a channel, and a SampleTable of as many channels and samples as
// the file holds (csvcapture.h reads the CSV capture). Past capture/
// nothing knows which format a capture came in or how many channels and
// samples a format has.

#include "capture/sampletable.h"

#include <QString>

#include <vector>

struct CaptureHeader {
    QString heading;
    std::vector<QString> names; // one a channel, "" where the file names none
};

class Capture {
public:
    Capture(CaptureHeader header, SampleTable samples, bool haskey)
        : header_(std::move(header)), samples_(std::move(samples)), haskey_(haskey)
    {
    }

    const CaptureHeader& header() const { return header_; }
    const SampleTable& samples() const { return samples_; }
    // The file, as named in faults.
    const QString& path() const { return samples_.path(); }
    // Whether the file says it is a capture of its format (the CSV key on
    // line 1). The converter refuses one that does not; the window's Print
    // reads whatever file it is given.
    bool hasKey() const { return haskey_; }
    int channelCount() const { return samples_.channelCount(); }
    int sampleCount() const { return samples_.sampleCount(); }

private:
    CaptureHeader header_;
    SampleTable samples_;
    bool haskey_;
};

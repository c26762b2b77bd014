#pragma once

// What the preview's decoders make of its capture, decoded on a thread of
// its own and kept until the capture, the decoders or the period change: a
// decoder that takes its time never holds up the window, and a change of
// range, pages or paper draws again without decoding again.

#include "capture/capture.h"
#include "printing/page/pagerequest.h"
#include "util/fault.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class PreviewDecoding : public QObject {
    Q_OBJECT
public:
    explicit PreviewDecoding(QObject* parent = nullptr);
    ~PreviewDecoding() override;

    struct Result {
        std::vector<DecodedLane> lanes;
        std::optional<Fault> fault; // the decode failed: no lanes
    };
    // What the request's decoders make of `capture`, read `generation`:
    // the result kept, or null when it is still to come (ready() says when).
    const Result* decoded(const PageRequest& request, const Capture& capture, int generation);

signals:
    void ready();

private:
    void collect();

    struct Job; // shared with the thread that decodes
    std::shared_ptr<Job> job_;
    QString key_; // what the job or the result is for
    std::optional<Result> result_;
    QTimer collect_;
};

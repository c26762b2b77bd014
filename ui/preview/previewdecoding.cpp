// Decoding the preview's capture off the window's thread.
#include "ui/preview/previewdecoding.h"

#include "capture/decode/decoderequest.h"
#include "printing/page/decodedlanes.h"

#include <QStringList>

#include <future>
#include <new>

struct PreviewDecoding::Job {
    std::future<Result> result;
};

namespace {

QString keyOf(const PageRequest& request, int generation)
{
    QStringList parts{QString::number(generation), request.period.typed,
                      QString::number(request.period.unitindex)};
    for (const DecoderStack& stack : request.options.decoders)
        parts << decode::requestText(stack);
    return parts.join(QChar(0));
}

} // namespace

PreviewDecoding::PreviewDecoding(QObject* parent) : QObject(parent)
{
    collect_.setInterval(20);
    connect(&collect_, &QTimer::timeout, this, &PreviewDecoding::collect);
}

PreviewDecoding::~PreviewDecoding()
{
    // A decode under way ends within its decoders' time limit.
    if (job_ && job_->result.valid())
        job_->result.wait();
}

const PreviewDecoding::Result* PreviewDecoding::decoded(const PageRequest& request,
                                                        const Capture& capture, int generation)
{
    const QString key = keyOf(request, generation);
    if (key == key_)
        return result_ ? &*result_ : nullptr;
    // One decode at a time: a newer request waits for the one under way.
    if (job_)
        return nullptr;
    key_ = key;
    result_.reset();
    job_ = std::make_shared<Job>();
    job_->result = std::async(std::launch::async, [request, capture] {
        Result result;
        try {
            result.lanes = decodeLanes(request, capture);
        } catch (const Fault& fault) {
            result.fault = fault;
        } catch (const std::bad_alloc&) {
            result.fault = Fault(FaultKind::Overflow, QStringLiteral("out of memory"));
        }
        return result;
    });
    collect_.start();
    return nullptr;
}

void PreviewDecoding::collect()
{
    using namespace std::chrono_literals;
    if (!job_ || job_->result.wait_for(0s) != std::future_status::ready)
        return;
    collect_.stop();
    result_ = job_->result.get();
    job_.reset();
    emit ready();
}

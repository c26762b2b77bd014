// Reading the decoder options and checking them before a run.
#include "app/decodeoption.h"

#include "app/converterflags.h"
#include "app/convertone.h"
#include "capture/decode/decoderinfo.h"
#include "capture/decode/decoderstack.h"
#include "printing/page/decodedlanes.h"
#include "util/fault.h"

using namespace converterflags;

namespace {

QString listing(const QList<decode::DecoderSummary>& decoders)
{
    qsizetype width = 0;
    for (const decode::DecoderSummary& decoder : decoders)
        width = std::max(width, decoder.id.size());
    QString text;
    for (const decode::DecoderSummary& decoder : decoders)
        text += decoder.id.leftJustified(width + 2) + decoder.longName + u'\n';
    return text;
}

DecoderListing help(const QString& id)
{
    DecoderListing shown;
    shown.asked = true;
    const decode::Checked<decode::DecoderInfo> info = decode::describeDecoder(id);
    if (info.ok())
        shown.text = decode::decoderHelp(info.value);
    else
        shown.error = info.error;
    return shown;
}

} // namespace

DecoderListing decoderListing(const QCommandLineParser& parser)
{
    if (parser.isSet(listDecodersOption)) {
        DecoderListing shown;
        shown.asked = true;
        const auto decoders = decode::listDecoders();
        if (decoders.ok())
            shown.text = listing(decoders.value);
        else
            shown.error = decoders.error;
        return shown;
    }
    if (parser.isSet(decoderHelpOption))
        return help(parser.value(decoderHelpOption));
    for (const QString& given : parser.values(decodeOption)) {
        const auto request = decode::parseStackRequest(given);
        if (request.ok() && !request.value.helpFor.isEmpty())
            return help(request.value.helpFor);
    }
    return {};
}

QString readDecoders(const QCommandLineParser& parser, ConverterOptions& options)
{
    for (const QString& given : parser.values(decodeOption)) {
        if (!decode::decodingAvailable())
            return QStringLiteral("--decode: %1").arg(decode::unavailableReason());
        const auto request = decode::parseStackRequest(given);
        if (!request.ok())
            return QStringLiteral("bad --decode %1: %2").arg(quotedText(given), request.error);
        options.page.decoders.push_back(request.value);
    }
    return QString();
}

QString checkDecoders(const ConverterOptions& options, std::vector<CaptureJob>& jobs)
{
    if (options.page.decoders.empty())
        return QString();
    auto read = jobs.begin();
    for (; read != jobs.end(); ++read) {
        readCapture(*read);
        if (read->read)
            break;
    }
    if (read == jobs.end())
        return QString(); // each capture fails on its own
    const PageRequest request = converterRequest(options, *read->read);
    const QStringList names = channelNames(*read->read);
    const bool rateKnown = sampleRate(request.period) > 0;
    for (const DecoderStack& stack : options.page.decoders) {
        const auto resolved = decode::resolveStack(stack, names, rateKnown);
        if (!resolved.ok())
            return QStringLiteral("bad --decode %1: %2")
                .arg(quotedText(decode::requestText(stack)), resolved.error);
    }
    return QString();
}

// Reading a CSV capture: the five header lines, then the sample rows.

#include "capture/csvcapture.h"

#include "capture/linereader.h"
#include "util/basicutilities.h"
#include "util/fault.h"
#include "util/stripper.h"

namespace {

struct HeaderLines {
    CaptureHeader header;
    bool haskey = false;
};

// Lines 1 to 5. With `keyed`, stops after line 1 when it lacks the key.
// Without, the lines are read whatever they hold, and one the field cutter
// refuses (thousands of words) leaves the heading and names empty: such a
// read is Print's, which takes them from the window.
HeaderLines readHeaderLines(LineReader& reader, bool keyed)
{
    const QString comma = QStringLiteral(",");
    const QString blank = QStringLiteral(" ");
    const QString separator = QStringLiteral(" / ");

    HeaderLines read;
    bool cut = true;
    const auto words = [&](QString& line) {
        if (!cut)
            return QString();
        try {
            return stripper(line);
        } catch (const Fault&) {
            if (keyed)
                throw;
            cut = false;
            return QString();
        }
    };
    for (int number = 1; number <= 4; ++number) {
        QString line = reader.readLine();
        if (number == 1) {
            read.haskey = basicutilities::getfield(line, 1, comma) == csv::captureKey;
            if (!read.haskey && keyed)
                return read;
        }
        read.header.heading += words(line);
        read.header.heading += separator;
    }
    read.header.heading.chop(2);

    QString nameline = reader.readLine();
    const QString names = words(nameline);
    for (int k = 0; k < csv::channelCount; ++k)
        read.header.names.push_back(basicutilities::getfield(names, k + 1, blank));
    if (!cut)
        read.header = {QString(), std::vector<QString>(csv::channelCount)};
    return read;
}

std::optional<Capture> readCsv(const QString& path, const std::optional<QByteArray>& preloaded,
                               bool keyed)
{
    LineReader reader(path, preloaded);
    HeaderLines read = readHeaderLines(reader, keyed);
    if (!read.haskey && keyed)
        return std::nullopt;
    SampleTable samples(path, csv::channelCount, csv::firstSampleLine);
    samples.reserve(csv::sampleCount);
    for (int r = 0; r < csv::sampleCount; ++r)
        samples.addRow(reader.readLine(), QLatin1Char(','));
    return Capture(std::move(read.header), std::move(samples), read.haskey);
}

} // namespace

std::optional<CaptureHeader> readHeader(const QString& path,
                                        const std::optional<QByteArray>& preloaded)
{
    LineReader reader(path, preloaded);
    HeaderLines read = readHeaderLines(reader, true);
    if (!read.haskey)
        return std::nullopt;
    return std::move(read.header);
}

Capture readCapture(const QString& path, const std::optional<QByteArray>& preloaded)
{
    return *readCsv(path, preloaded, false);
}

std::optional<Capture> readKeyedCapture(const QString& path,
                                        const std::optional<QByteArray>& preloaded)
{
    return readCsv(path, preloaded, true);
}

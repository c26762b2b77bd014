// The whole capture path: bytes as a file, header, the capture read once,
// the window's settings as a request, the ticked channels, then the page
// drawn into a recording surface.
// A Fault is an expected answer to a bad file; anything else is a finding.
//
// Input: flags, four bytes of check boxes (two bits per channel), the unit
// index, the tick text and the resolution (length-prefixed), then the file.
// Flag 1 grows a short file to full length by repeating its sample lines,
// so small inputs reach the level table and the drawing. Flag 4 puts page
// options after the resolution: the first and last sample (two bytes each),
// the page count (a byte); flag 8 adds the time axis. Flag 16 puts markers
// after them: a count byte, then each marker's sample (two bytes) and label.
// Flag 32 then adds two buses: a radix byte and two bytes of channels each
// (most significant bit first, so a mask may repeat a channel or reach one
// past the capture). Flag 64 then lays the page out on the paper the next
// byte names. Flag 128 then adds decoded rows as a decoder would give them:
// a count of rows, and in each a count of annotations, each a start (two
// bytes), a length (a byte, 0 for a point in time) and a text.

#include "capture/csvcapture.h"
#include "capture/leveltable.h"
#include "fuzz/fuzzinput.h"
#include "printing/page/decodedlanes.h"
#include "printing/page/markers.h"
#include "printing/page/pagedrawing.h"
#include "printing/page/pagelayout.h"
#include "printing/page/recordingsurface.h"
#include "printing/windowsettings.h"
#include "util/fault.h"

#include <QByteArray>
#include <QList>
#include <QRect>

#include <algorithm>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int firstSampleLine = csv::firstSampleLine;
constexpr int fileLines = firstSampleLine - 1 + csv::sampleCount;

// Header lines as given, then the sample lines over and over up to a full
// file, or up to a size that keeps a run short.
constexpr qsizetype maxGrown = 256 * 1024;

QByteArray grown(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    if (lines.size() <= firstSampleLine - 1 || lines.size() >= fileLines)
        return bytes;
    QByteArray out;
    out.reserve(qMin(maxGrown + bytes.size() + 1, bytes.size() * (fileLines / lines.size() + 1)));
    for (int i = 0; i < fileLines && out.size() < maxGrown; ++i) {
        const qsizetype samples = lines.size() - (firstSampleLine - 1);
        const qsizetype from =
            i < lines.size() ? i : firstSampleLine - 1 + (i - lines.size()) % samples;
        out += lines[from];
        out += '\n';
    }
    return out;
}

// One in-memory file for the whole run, rewritten for each input.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("capture", 0))
    {
        if (fd_ < 0)
            std::abort();
        path_ = QStringLiteral("/proc/self/fd/%1").arg(fd_);
    }
    void write(const char* data, qsizetype size)
    {
        if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, std::size_t(size), 0) != size)
            std::abort();
    }
    const QString& path() const { return path_; }

private:
    int fd_;
    QString path_;
};

int lowestFreeDescriptor()
{
    const int probe = dup(2);
    if (probe >= 0)
        close(probe);
    return probe;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MemoryFile file;
    static RecordingSurface page;

    FuzzInput in(data, size);
    const std::uint8_t flags = in.byte();
    WindowSettings settings;
    settings.channels.values.resize(csv::channelCount);
    settings.channels.captions.resize(csv::channelCount);
    for (int c = 0; c < csv::channelCount; c += 4) {
        const std::uint8_t b = in.byte();
        for (int k = 0; k < 4; ++k)
            settings.channels.values[std::size_t(c + k)] = (b >> (2 * k)) & 3;
    }
    settings.unitindex = static_cast<std::int8_t>(in.byte());
    settings.tickfrequency = in.shortText();
    settings.resolution = in.shortText();
    settings.tickmarks = flags & 2 ? 1 : 0;
    PageOptions options;
    if (flags & 4) {
        options.firstsample = static_cast<std::int16_t>(in.byte() << 8 | in.byte());
        options.lastsample = static_cast<std::int16_t>(in.byte() << 8 | in.byte());
        options.pages = static_cast<std::int8_t>(in.byte());
        options.timeaxis = flags & 8;
    }
    if (flags & 16) {
        for (int n = in.byte() % 32; n > 0; --n) {
            const int sample = static_cast<std::int16_t>(in.byte() << 8 | in.byte());
            options.markers.push_back({sample, in.shortText()});
        }
    }
    for (int b = 0; b < 2 && (flags & 32); ++b) {
        BusLane bus{QStringLiteral("BUS"), {}, Radix(in.byte() % 4)};
        const int mask = in.byte() << 8 | in.byte();
        for (int bit = 15; bit >= 0; --bit)
            if (mask >> bit & 1)
                bus.channels.push_back(b == 0 ? bit : 15 - bit + (mask & 1));
        options.buses.push_back(std::move(bus));
    }
    if (flags & 64) {
        options.layout = LayoutKind::Fill;
        options.paper = Paper(in.byte() % paperNames().size());
    }

    std::vector<DecodedLane> lanes;
    for (int n = (flags & 128) ? in.byte() % 4 : 0; n > 0; --n) {
        DecodedLane& lane = lanes.emplace_back(DecodedLane{QStringLiteral("LANE"), {}});
        for (int k = in.byte() % 32; k > 0; --k) {
            decode::Annotation a;
            a.start = quint64(in.byte() << 8 | in.byte());
            a.end = a.start + in.byte();
            a.texts = QStringList{in.shortText(), QStringLiteral("X")};
            lane.annotations.push_back(std::move(a));
        }
    }

    if (flags & 1) {
        const QByteArray bytes = grown(in.data(), in.left());
        file.write(bytes.constData(), bytes.size());
    } else {
        file.write(reinterpret_cast<const char*>(in.data()), qsizetype(in.left()));
    }

    const auto run = [&] {
        try {
            const std::optional<CaptureHeader> header = readHeader(file.path());
            // Past a wrong key the program stops; the rest still has to stand any file.
            const Capture capture = readCapture(file.path());
            FUZZ_CHECK(capture.hasKey() == header.has_value());
            if (header) {
                FUZZ_CHECK(capture.header().heading == header->heading);
                settings.heading = header->heading;
                for (int c = 0; c < csv::channelCount; ++c)
                    settings.channels.captions[std::size_t(c)] = header->names[std::size_t(c)];
            }
            PageRequest request = pageRequest(settings, options);
            if (flags & 128)
                request.decoded = lanes;
            const LevelTable levels = requestLevels(capture.samples(), request);
            for (const PageLayout& layout : pageLayouts(request, capture.sampleCount())) {
                page.clear(); // one surface for all runs: its call list keeps its room
                drawPage(page, request, levels, layout, file.path());
                FUZZ_CHECK(!page.isEmpty());
                // Whatever the range, the traces and ticks stay in their band.
                for (const DrawnLine& line : page.lines())
                    FUZZ_CHECK(std::min(line.x1, line.x2) >= layout.traceLeft()
                               && std::max(line.x1, line.x2) <= layout.traceRight()
                               && std::max(line.y1, line.y2) <= layout.height());
                // Marker labels and distances never meet, as far as their
                // widths can be told.
                std::vector<QRect> boxes;
                for (const PrintedText& text : page.texts()) {
                    if (text.colour != markerBlue)
                        continue;
                    const QRect box(text.x, text.y, textWidthEstimate(text.text, text.fontsize),
                                    textPixels(text.fontsize) * 6 / 5);
                    for (const QRect& other : boxes)
                        FUZZ_CHECK(!box.intersects(other));
                    boxes.push_back(box);
                }
            }
        } catch (const Fault&) {
        }
    };

    // Every way out closes the file: the lowest free descriptor stays the
    // same. Qt may open a file of its own once, the first time a path needs
    // it; a leak shows again when the same input runs a second time.
    const int before = lowestFreeDescriptor();
    run();
    if (lowestFreeDescriptor() != before) {
        const int again = lowestFreeDescriptor();
        run();
        FUZZ_CHECK(lowestFreeDescriptor() == again);
    }
    return 0;
}

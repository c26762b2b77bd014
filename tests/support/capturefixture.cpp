// Capture files built for tests, byte by byte.

#include "tests/support/capturefixture.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>

namespace capturefixture {

namespace {

QByteArray nameLine(const QList<QByteArray>& names) { return names.join(','); }

QList<QByteArray> plainNames(int from)
{
    QList<QByteArray> names;
    for (int c = from; c < channelCount; ++c)
        names << "CH" + QByteArray::number(c);
    return names;
}

QList<QByteArray> header(const QByteArray& date, const QByteArray& rate, const QByteArray& comment,
                         const QList<QByteArray>& names)
{
    return {"ZelmarProgramVersion,2.31", date, rate, comment, nameLine(names)};
}

} // namespace

QList<QByteArray> defaultHeader()
{
    QList<QByteArray> names{"\"CH0\"", "\"CH1\""};
    names << plainNames(2);
    return header("Captured 2024-03-18 14:22:07", "Sample rate 1 MHz, 2048 samples",
                  "Comment: \"bench board\", rev B", names);
}

int levelAt(const CaptureRecipe& recipe, int row, int channel)
{
    return recipe.level ? recipe.level(row, channel) : 0;
}

QByteArray sampleLine(const CaptureRecipe& recipe, int row)
{
    if (auto it = recipe.rowText.find(row); it != recipe.rowText.end())
        return it->second;
    QByteArray line;
    line.reserve(recipe.fieldsPerRow * 2);
    for (int c = 0; c < recipe.fieldsPerRow; ++c) {
        if (c > 0)
            line += ',';
        if (auto it = recipe.fields.find({row, c}); it != recipe.fields.end())
            line += it->second;
        else if (c < channelCount)
            line += QByteArray::number(levelAt(recipe, row, c));
        else
            line += 'x';
    }
    return line;
}

QList<QByteArray> captureLines(const CaptureRecipe& recipe)
{
    QList<QByteArray> lines = recipe.header;
    lines.reserve(lines.size() + recipe.rows);
    for (int r = 0; r < recipe.rows; ++r)
        lines << sampleLine(recipe, r);
    return lines;
}

QByteArray joinLines(const QList<QByteArray>& lines, Terminator terminator, bool finalTerminator)
{
    const QByteArray end = terminator == Terminator::CrLf ? QByteArray("\r\n")
                           : terminator == Terminator::Lf ? QByteArray("\n")
                                                          : QByteArray("\r");
    QByteArray text = lines.join(end);
    if (finalTerminator && !lines.isEmpty())
        text += end;
    return text;
}

QByteArray captureText(const CaptureRecipe& recipe)
{
    return joinLines(captureLines(recipe), recipe.terminator, recipe.finalTerminator);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    if (!dir.isValid())
        return {};
    const QString path = QDir(dir.path()).filePath(name);
    return writeBytes(path, bytes) ? path : QString();
}

QString writeCapture(const QTemporaryDir& dir, const QString& name, const CaptureRecipe& recipe)
{
    return writeBytes(dir, name, captureText(recipe));
}

int openFileCount()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    return int(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

CaptureRecipe counterExample()
{
    CaptureRecipe recipe;
    QList<QByteArray> names{"\"Q0\"", "\"Q1\"", "\"Q2\"", "\"Q3\""};
    names << plainNames(4);
    recipe.header =
        header("Captured 2024-03-18 09:41:55", "Sample rate 2 MHz, 2048 samples, 16 channels",
               "Comment: \"4-bit counter\", clocked every 16 samples, Q0 = LSB", names);
    recipe.level = [](int row, int channel) {
        const int count = (row / 16) % 16;
        return channel < 4 ? (count >> channel) & 1 : 0;
    };
    return recipe;
}

CaptureRecipe serialExample()
{
    // Mode 0: the clock idles low, data changes while it is low and is taken
    // on the rising edge. Half a clock period is 16 samples.
    constexpr int selectAt = 200;
    constexpr int half = 16;
    constexpr int firstBit = selectAt + half;
    constexpr int bits = 32; // command byte + three answer bytes
    constexpr int releaseAt = firstBit + bits * 2 * half + half;
    static const quint8 out[4] = {0x9F, 0x00, 0x00, 0x00};
    static const quint8 in[4] = {0x00, 0xEF, 0x40, 0x18};

    CaptureRecipe recipe;
    QList<QByteArray> names{"\"CS#\"", "\"SCLK\"", "MOSI", "MISO", "\"WP#\"", "HOLD#"};
    names << plainNames(6);
    recipe.header = header("Captured 2024-03-19 16:05:12", "Sample rate 4 MHz, 2048 samples",
                           "Comment: \"read ID\" (9F), answer EF 40 18, SPI mode 0", names);
    recipe.level = [](int row, int channel) {
        const bool selected = row >= selectAt && row < releaseAt;
        const int bit = (row - firstBit) / (2 * half);
        const bool inBit = selected && row >= firstBit && bit < bits;
        const int byte = bit / 8;
        const int shift = 7 - bit % 8;
        switch (channel) {
        case 0: return selected ? 0 : 1;
        case 1: return inBit && (row - firstBit) % (2 * half) >= half ? 1 : 0;
        case 2: return inBit ? (out[byte] >> shift) & 1 : 0;
        case 3: return inBit ? (in[byte] >> shift) & 1 : 0;
        case 4:
        case 5: return 1;
        default: return 0;
        }
    };
    return recipe;
}

CaptureRecipe steadyExample()
{
    CaptureRecipe recipe;
    QList<QByteArray> names{"\"PWR_OK\"", "\"RESET\"", "PWM", "\"HEARTBEAT\""};
    names << plainNames(4);
    recipe.header =
        header("Captured 2024-03-20 11:17:40", "Sample rate 100 kHz, 2048 samples",
               "Comment: \"idle board\", power good, reset released, PWM at 25%", names);
    recipe.level = [](int row, int channel) {
        switch (channel) {
        case 0: return 1;
        case 1: return 0;
        case 2: return row % 64 < 16 ? 1 : 0;
        case 3: return (row / 512) % 2;
        default: return 0;
        }
    };
    return recipe;
}

} // namespace capturefixture

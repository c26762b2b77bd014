#pragma once

// Builds capture files for tests and examples. A capture is five header lines
// (key line, three free-text lines, channel names) and 2048 rows of sixteen
// comma-separated levels. Everything is bytes, so tests can put any encoding
// or damage into any line.
//
//     capturefixture::CaptureRecipe recipe;
//     recipe.level = [](int row, int channel) { return channel == 0 ? row % 2 : 0; };
//     recipe.fields[{9, 3}] = "x";                      // row 9, channel 3 (line 15, field 4)
//     QTemporaryDir dir;
//     QString path = capturefixture::writeCapture(dir, "a.csv", recipe);

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <map>
#include <utility>

class QTemporaryDir;

namespace capturefixture {

inline constexpr int sampleRows = 2048;
inline constexpr int channelCount = 16;

enum class Terminator { CrLf, Lf, Cr };

// Level of `channel` (0 … 15) at sample `row` (0 … 2047, or beyond for extra rows).
using LevelFunction = std::function<int(int row, int channel)>;

// "ZelmarProgramVersion,2.31", a date, a rate note, a comment with commas and
// quotes, and the names CH0 … CH15 with some of them quoted.
QList<QByteArray> defaultHeader();

struct CaptureRecipe {
    // Written first, one line each, as given. Fewer than five lines makes a
    // short header (set rows = 0 as well for a file that ends there).
    QList<QByteArray> header = defaultHeader();
    LevelFunction level;             // empty: every level is 0
    int rows = sampleRows;           // sample lines written: fewer leaves the file short
    int fieldsPerRow = channelCount; // fields beyond 16 hold "x"
    std::map<std::pair<int, int>, QByteArray> fields; // (row, channel) -> text instead of the level
    std::map<int, QByteArray> rowText;                // row -> whole line instead of the levels
    Terminator terminator = Terminator::CrLf;
    bool finalTerminator = true; // false: the last line has no terminator
};

// The level `recipe` writes at (row, channel), ignoring `fields` and `rowText`.
int levelAt(const CaptureRecipe& recipe, int row, int channel);

// The sample line for `row` without terminator.
QByteArray sampleLine(const CaptureRecipe& recipe, int row);

// All lines of the capture, without terminators.
QList<QByteArray> captureLines(const CaptureRecipe& recipe);

// Lines joined with the terminator; `finalTerminator` also ends the last one.
QByteArray joinLines(const QList<QByteArray>& lines, Terminator terminator = Terminator::CrLf,
                     bool finalTerminator = true);

// The whole file.
QByteArray captureText(const CaptureRecipe& recipe);

// Writes bytes to `path`; false on failure.
bool writeBytes(const QString& path, const QByteArray& bytes);

// Writes into the temporary directory; returns the full path, "" on failure.
QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);
QString writeCapture(const QTemporaryDir& dir, const QString& name, const CaptureRecipe& recipe);

// Number of file descriptors this process holds open; -1 where the system
// does not tell (it reads /proc/self/fd). Compare before and after a call to
// prove that no handle stayed open.
int openFileCount();

// Realistic captures (also the files in examples/).
CaptureRecipe counterExample(); // 4-bit counter on channels 0-3, the rest quiet
CaptureRecipe serialExample();  // one SPI-style transaction: select, clock, data out, data in
CaptureRecipe steadyExample();  // one channel always high, one always low, a few moving

} // namespace capturefixture

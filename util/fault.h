#pragma once

#include <QString>
#include <QStringView>

#include <exception>
#include <string>
#include <utility>

// The one exception type for run-time faults. Core code throws it; only the
// command handlers (and the converter's main) catch it and report it.
enum class FaultKind {
    CannotOpenFile,
    CannotWriteFile,
    InputPastEnd,
    TypeMismatch,
    Overflow,
    SubscriptOutOfRange,
    DecoderError, // a protocol decoder raised an error while it ran
};

// `text` as a message shows it: in double quotes, with control characters,
// invisible line and paragraph separators and bidirectional overrides written
// as \xHH or \uHHHH, cut after about `limit` characters with "…" marking the
// cut. Whatever a file holds, the message stays one short, plain line on a
// terminal or in a window. Quotes inside stay as they are.
QString quotedText(QStringView text, qsizetype limit = 80);

// The same escapes without the quotes or the cut, for a file name.
QString escapedText(QStringView text);

class Fault : public std::exception {
public:
    Fault(FaultKind kind, QString detail);

    FaultKind kind() const { return kind_; }
    // Plain words for the kind alone, e.g. "Type mismatch".
    static QString kindName(FaultKind kind);
    QString detail() const { return detail_; }

    // Where it happened; empty / 0 / -1 when unknown.
    QString file() const { return file_; }
    int line() const { return line_; }
    int field() const { return field_; }
    int channel() const { return channel_; }
    // The text that failed to convert, when there was one.
    QString text() const { return text_; }
    bool hasText() const { return hasText_; }

    Fault& inFile(const QString& path);
    Fault& atLine(int line);
    Fault& atField(int field);
    Fault& onChannel(int channel);
    Fault& withText(const QString& text);

    // One line: kind, detail, then the place, e.g.
    // Type mismatch: "x" is not a number (file /tmp/a.csv, line 7, field 3, channel 2)
    QString message() const;
    const char* what() const noexcept override;

private:
    void refresh();

    FaultKind kind_;
    QString detail_;
    QString file_;
    int line_ = 0;
    int field_ = 0;
    int channel_ = -1;
    QString text_;
    bool hasText_ = false;
    std::string what_;
};

// Runs `work` and gives back what it returns; a Fault on its way out is
// placed in `path` first, for work that knows nothing of the file it serves.
template <class Work>
decltype(auto) inFile(const QString& path, Work&& work)
{
    try {
        return std::forward<Work>(work)();
    } catch (Fault& fault) {
        fault.inFile(path);
        throw;
    }
}

// The one line reporting `failure`: a Fault's own message, or for any other
// exception (out of memory, a thread that could not start) `where`, escaped
// as a Fault's file is, and its text: "where: text".
QString failureMessage(const QString& where, const std::exception& failure);

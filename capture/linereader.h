#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

// Reads a capture file line by line. CR LF, lone LF and lone CR all end a
// line; terminators are not returned. Each line is decoded as UTF-8 when its
// bytes are valid UTF-8, else as Windows-1252. The file is closed when the
// reader goes out of scope, on every way out.
class LineReader {
public:
    // Reads the file at `path`, or the bytes `preloaded` holds as that file's.
    // Throws Fault(CannotOpenFile) naming the path, also for a pipe: opening
    // one may wait for ever for a writer, and it can be read only once (the
    // caller reads it with readOnceIfStream and hands the bytes in); and for
    // a device (a terminal, /dev/zero), which may never end or never answer.
    explicit LineReader(const QString& path,
                        const std::optional<QByteArray>& preloaded = std::nullopt);

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line. Throws Fault(InputPastEnd) naming the file and the line
    // number it wanted, and Fault(Overflow) for a line longer than
    // maxLineBytes or when more than maxReadBytes would be read in all: a
    // wrong file (a disk image, zeros from a pipe) is refused quickly, in
    // little memory.
    QString readLine();

    // Number of the line readLine() returned last (0 before the first).
    int lineNumber() const { return line_; }
    const QString& path() const { return path_; }

    static constexpr qint64 chunkSize = 64 * 1024;
    // A capture line is under 100 bytes; 8,000 fields fit in a megabyte.
    static constexpr qsizetype maxLineBytes = 1024 * 1024;
    // Five header lines and 2048 rows of the longest lines allowed would be
    // 2 GiB; no real capture comes near this.
    static constexpr qint64 maxReadBytes = 16 * 1024 * 1024;

private:
    bool fill();
    [[noreturn]] void tooLong() const;

    QString path_;
    QFile file_;
    QBuffer memory_;
    QIODevice* device_ = nullptr;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qint64 read_ = 0; // bytes taken from the file so far
    bool eof_ = false;
    bool afterCr_ = false; // the last line ended in CR: an LF next belongs to it
    int line_ = 0;
};

// The bytes of a capture that cannot be read twice (a pipe, /dev/stdin, <(…)),
// read once as far as LineReader would read them: up to maxReadBytes in all,
// or until a line is longer than maxLineBytes. nullopt for a regular file or
// a folder, which LineReader opens where it lies. May wait for a pipe's
// writer. Throws Fault(CannotOpenFile) naming the path, also for a device,
// which is never opened.
std::optional<QByteArray> readOnceIfStream(const QString& path);

// Decoding rule of the capture file, exposed for tests.
QString decodeCaptureBytes(const QByteArray& bytes);
QString decodeCaptureBytes(const char* data, qsizetype size);

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Reads a capture file line by line. CR LF, lone LF and lone CR all end a
// line; terminators are not returned. Each line is decoded as UTF-8 when its
// bytes are valid UTF-8, else as Windows-1252. The file is closed when the
// reader goes out of scope, on every way out.
class LineReader {
public:
    // Throws Fault(CannotOpenFile) naming the path.
    explicit LineReader(const QString& path);

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line. Throws Fault(InputPastEnd) naming the file and the line
    // number it wanted.
    QString readLine();

    // Number of the line readLine() returned last (0 before the first).
    int lineNumber() const { return line_; }
    const QString& path() const { return path_; }

    static constexpr qint64 chunkSize = 64 * 1024;

private:
    bool fill();

    QString path_;
    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    bool afterCr_ = false;   // the last line ended in CR: an LF next belongs to it
    int line_ = 0;
};

// Decoding rule of the capture file, exposed for tests.
QString decodeCaptureBytes(const QByteArray& bytes);
QString decodeCaptureBytes(const char* data, qsizetype size);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool isValidUtf8(const char* data, qsizetype size);

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

    // The next line. Throws Fault(InputPastEnd) naming the file and the line
    // number it wanted.
    QString readLine();

    // Number of the line readLine() returned last (0 before the first).
    int lineNumber() const { return line_; }
    const QString& path() const { return path_; }

private:
    bool fill();

    QString path_;
    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    int line_ = 0;
};

// Decoding rule of the capture file, exposed for tests.
QString decodeCaptureBytes(const QByteArray& bytes);

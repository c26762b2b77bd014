// Numbering, framing and indexing of a PDF file's objects.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// "N 0 R", a reference to object N.
QByteArray pdfReference(int object);

// A PDF file as it is written, from its header on: every object numbered,
// framed and its offset kept, so that finish() can write the
// cross-reference table and the trailer. Objects another one names before
// they are written get their number from reserve().
class PdfObjects {
public:
    // How a stream's data is given: as it is, or already deflated.
    enum class Data { plain, deflated };

    PdfObjects();

    // A number for an object written later with that number.
    int reserve();
    // The number the next written object gets.
    int nextNumber() const { return int(offsets_.size()) + 1; }

    // Writes the next object; its number.
    int write(QByteArrayView body);
    // Writes a reserved object.
    void write(int number, QByteArrayView body);
    // A stream object whose dictionary holds `entries` (none when empty),
    // its /Length and, for deflated data, its /Filter.
    int writeStream(QByteArrayView data, Data given, QByteArrayView entries = {});
    void writeStream(int number, QByteArrayView data, Data given, QByteArrayView entries = {});

    // The whole file, its trailer naming `root` and `info`; every reserved
    // object must have been written. Empty afterwards, numbering from 1.
    QByteArray finish(int root, int info);

private:
    void begin(int number);
    void end();
    void appendStream(QByteArrayView data, Data given, QByteArrayView entries);

    QByteArray out_;
    std::vector<qint64> offsets_; // by number - 1; -1 while reserved
};

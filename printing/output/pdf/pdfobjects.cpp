// The one place a PDF's objects are framed and the file's cross-reference
// table and trailer written.
#include "printing/output/pdf/pdfobjects.h"

#include "util/fault.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

// The binary comment marks the file as binary for programs that copy it.
constexpr char header[] = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";

void appendNumber(QByteArray& out, qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

} // namespace

QByteArray pdfReference(int object)
{
    QByteArray out;
    appendNumber(out, object);
    out.append(" 0 R");
    return out;
}

PdfObjects::PdfObjects() : out_(header) {}

int PdfObjects::reserve()
{
    offsets_.push_back(-1);
    return int(offsets_.size());
}

void PdfObjects::begin(int number)
{
    Q_ASSERT(number >= 1 && number <= int(offsets_.size())
             && offsets_[std::size_t(number - 1)] < 0);
    offsets_[std::size_t(number - 1)] = out_.size();
    appendNumber(out_, number);
    out_.append(" 0 obj\n");
}

void PdfObjects::end() { out_.append("\nendobj\n"); }

int PdfObjects::write(QByteArrayView body)
{
    const int number = reserve();
    write(number, body);
    return number;
}

void PdfObjects::write(int number, QByteArrayView body)
{
    begin(number);
    out_.append(body);
    end();
}

void PdfObjects::appendStream(QByteArrayView data, Data given, QByteArrayView entries)
{
    out_.append("<< ");
    if (!entries.isEmpty())
        out_.append(entries).append(' ');
    out_.append("/Length ");
    appendNumber(out_, data.size());
    if (given == Data::deflated)
        out_.append(" /Filter /FlateDecode");
    out_.append(" >>\nstream\n").append(data).append("\nendstream");
}

int PdfObjects::writeStream(QByteArrayView data, Data given, QByteArrayView entries)
{
    const int number = reserve();
    writeStream(number, data, given, entries);
    return number;
}

void PdfObjects::writeStream(int number, QByteArrayView data, Data given, QByteArrayView entries)
{
    begin(number);
    appendStream(data, given, entries);
    end();
}

QByteArray PdfObjects::finish(int root, int info)
{
    const qint64 xref = out_.size();
    const int size = int(offsets_.size()) + 1;
    out_.reserve(out_.size() + qsizetype(size) * 20 + 128);
    out_.append("xref\n0 ");
    appendNumber(out_, size);
    out_.append("\n0000000000 65535 f \n");
    for (const qint64 offset : offsets_) {
        Q_ASSERT(offset >= 0);
        char entry[] = "0000000000 00000 n \n";
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, offset).ptr;
        const auto length = end - digits;
        // Ten digits is all an entry holds: 10 GB.
        if (length > 10)
            throw Fault(FaultKind::CannotWriteFile,
                        QStringLiteral("the PDF is too large to index"));
        std::copy(digits, end, entry + 10 - length);
        out_.append(entry, 20);
    }
    out_.append("trailer\n<< /Size ");
    appendNumber(out_, size);
    out_.append(" /Root ").append(pdfReference(root)).append(" /Info ").append(pdfReference(info));
    out_.append(" >>\nstartxref\n");
    appendNumber(out_, xref);
    out_.append("\n%%EOF\n");
    offsets_.clear();
    return std::exchange(out_, QByteArray(header));
}

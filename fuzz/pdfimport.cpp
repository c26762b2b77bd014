// Any bytes as a page the PDF engine wrote: a form whose references all stay
// among its own objects, or nothing.

#include "printing/output/pdf/pdfimport.h"
#include "printing/output/pdf/subsettags.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr int first = 100;
    const QByteArray document(reinterpret_cast<const char*>(data), qsizetype(size));
    SubsetTags tags;
    const std::vector<QByteArray> objects = pageAsForm(document, first, tags);
    if (objects.empty())
        return 0;
    if (!objects[0].startsWith("<< /Type /XObject /Subtype /Form"))
        std::abort();
    const int last = first + int(objects.size()) - 1;
    for (const QByteArray& body : objects) {
        const qsizetype stream = body.indexOf("\nstream\n");
        const QByteArray text = stream < 0 ? body : body.left(stream);
        for (qsizetype at = text.indexOf(" 0 R"); at >= 0; at = text.indexOf(" 0 R", at + 1)) {
            qsizetype digits = at;
            while (digits > 0 && text[digits - 1] >= '0' && text[digits - 1] <= '9')
                --digits;
            const int number = text.mid(digits, at - digits).toInt();
            if (number < first || number > last)
                std::abort();
        }
    }
    return 0;
}

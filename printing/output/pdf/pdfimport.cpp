// Reads back one page the PDF engine wrote and carries its objects over
// as a form another document can draw.
#include "printing/output/pdf/pdfimport.h"

#include "printing/output/pdf/subsettags.h"

#include <QRegularExpression>

#include <charconv>
#include <map>
#include <optional>

namespace {

// An object as written: the text of its dictionary (or whole value) and,
// for a stream, its data.
struct Object {
    QByteArray text;
    QByteArray data;
    bool stream = false;
};

std::optional<qint64> numberAt(const QByteArray& text, qsizetype at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r'))
        ++at;
    qint64 value = 0;
    const char* begin = text.constData() + at;
    const auto result = std::from_chars(begin, text.constData() + text.size(), value);
    if (result.ec != std::errc() || result.ptr == begin)
        return std::nullopt;
    return value;
}

// The highest object number a PDF may have.
constexpr qint64 maxObject = 8388607;

// Object number -> offset, from the last cross-reference table.
std::optional<std::map<int, qint64>> offsetsOf(const QByteArray& document)
{
    const qsizetype start = document.lastIndexOf("startxref");
    const std::optional<qint64> xref = start < 0 ? std::nullopt : numberAt(document, start + 9);
    if (!xref || *xref < 0 || *xref >= document.size() || !document.mid(*xref, 4).startsWith("xref")
        || document.indexOf("/Prev", *xref) >= 0)
        return std::nullopt;
    std::map<int, qint64> offsets;
    qsizetype at = document.indexOf('\n', *xref) + 1;
    while (at > 0 && at < document.size() && !document.mid(at, 7).startsWith("trailer")) {
        const std::optional<qint64> firstNumber = numberAt(document, at);
        const qsizetype space = document.indexOf(' ', at);
        const std::optional<qint64> count = space < 0 ? std::nullopt : numberAt(document, space);
        const qsizetype entries = document.indexOf('\n', at) + 1;
        if (!firstNumber || !count || entries <= 0 || *firstNumber < 0 || *firstNumber > maxObject
            || *count < 0 || *count > (document.size() - entries) / 20
            || *firstNumber + *count > maxObject)
            return std::nullopt;
        for (qint64 i = 0; i < *count; ++i) {
            const qsizetype entry = entries + qsizetype(i * 20);
            if (document[entry + 17] == 'n')
                offsets[int(*firstNumber + i)] = numberAt(document, entry).value_or(-1);
        }
        at = entries + qsizetype(*count * 20);
    }
    return offsets;
}

std::optional<Object> objectAt(const QByteArray& document, int number, qint64 offset,
                               const std::map<int, qint64>& offsets)
{
    const QByteArray heading = QByteArray::number(number) + " 0 obj";
    if (offset < 0 || !document.mid(offset, heading.size()).startsWith(heading))
        return std::nullopt;
    const qsizetype begin = offset + heading.size();
    const qsizetype end = document.indexOf("endobj", begin);
    const qsizetype stream = document.indexOf("stream\n", begin);
    if (end < 0)
        return std::nullopt;
    Object object;
    if (stream < 0 || stream > end) {
        object.text = document.mid(begin, end - begin).trimmed();
        return object;
    }
    object.stream = true;
    object.text = document.mid(begin, stream - begin).trimmed();
    // The length, written directly or as an object of its own.
    static const QRegularExpression lengthEntry(QStringLiteral("/Length (\\d+)( 0 R)?"));
    const QRegularExpressionMatch match = lengthEntry.match(QString::fromLatin1(object.text));
    if (!match.hasMatch())
        return std::nullopt;
    qint64 length = match.captured(1).toLongLong();
    if (match.capturedLength(2) > 0) {
        const auto found = length > maxObject ? offsets.end() : offsets.find(int(length));
        const QByteArray lengthHeading = QByteArray::number(length) + " 0 obj";
        if (found == offsets.end()
            || !document.mid(found->second, lengthHeading.size()).startsWith(lengthHeading))
            return std::nullopt;
        const std::optional<qint64> value =
            numberAt(document, found->second + lengthHeading.size());
        if (!value)
            return std::nullopt;
        length = *value;
    }
    const qsizetype dataBegin = stream + 7;
    if (length < 0 || length > document.size() - dataBegin)
        return std::nullopt;
    object.data = document.mid(dataBegin, length);
    object.text.replace(match.capturedStart(0), match.capturedLength(0),
                        "/Length " + QByteArray::number(length));
    return object;
}

// The object numbers `text` refers to ("N 0 R").
std::vector<int> referencesIn(const QByteArray& text)
{
    static const QRegularExpression reference(QStringLiteral("(\\d+) 0 R"));
    std::vector<int> found;
    auto matches = reference.globalMatch(QString::fromLatin1(text));
    while (matches.hasNext())
        found.push_back(matches.next().captured(1).toInt());
    return found;
}

QByteArray renumbered(const QByteArray& text, const std::map<int, int>& numbers)
{
    static const QRegularExpression reference(QStringLiteral("(\\d+) 0 R"));
    QString out = QString::fromLatin1(text);
    QString result;
    qsizetype last = 0;
    auto matches = reference.globalMatch(out);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const auto found = numbers.find(match.captured(1).toInt());
        result += out.mid(last, match.capturedStart(0) - last);
        result += found == numbers.end() ? QStringLiteral("null")
                                         : QString::number(found->second) + QStringLiteral(" 0 R");
        last = match.capturedEnd(0);
    }
    result += out.mid(last);
    return result.toLatin1();
}

// The value of `key` in a dictionary's text, if it is a reference.
std::optional<int> referenceOf(const QByteArray& text, const char* key)
{
    const QRegularExpression entry(QStringLiteral("%1\\s*(\\d+) 0 R").arg(QLatin1String(key)));
    const QRegularExpressionMatch match = entry.match(QString::fromLatin1(text));
    return match.hasMatch() ? std::optional<int>(match.captured(1).toInt()) : std::nullopt;
}

// `key`'s name in the dictionary, with the tag given and without any other.
void tagName(QByteArray& text, const char* key, const QByteArray& tag)
{
    const QRegularExpression entry(
        QStringLiteral("%1\\s*/([A-Z]{6}\\+)?([^\\s/\\[\\]<>(){}%]+)").arg(QLatin1String(key)));
    const QRegularExpressionMatch match = entry.match(QString::fromLatin1(text));
    if (match.hasMatch())
        text.replace(match.capturedStart(0), match.capturedLength(0),
                     QByteArray(key) + " /" + tag + '+' + match.captured(2).toLatin1());
}

// The engine tags a subset after its own object number, which is the same
// for different subsets on different pages and may change from run to run,
// and leaves the fonts' names untagged. Each subset is tagged anew from its
// program (as stored: the engine always packs it the same way), in its
// descriptor and in the fonts that use it.
void retag(std::map<int, Object>& objects, const std::vector<int>& order, SubsetTags& tags)
{
    std::map<int, QByteArray> tagOf;
    for (const int number : order) {
        const Object& descriptor = objects[number];
        if (descriptor.stream || !descriptor.text.contains("/Type /FontDescriptor"))
            continue;
        std::optional<int> file = referenceOf(descriptor.text, "/FontFile2");
        if (!file)
            file = referenceOf(descriptor.text, "/FontFile3");
        if (!file)
            file = referenceOf(descriptor.text, "/FontFile");
        if (file && objects.count(*file) && objects[*file].stream)
            tagOf[number] = tags.tagFor(objects[*file].data);
    }
    // The CIDFonts, then the composite fonts that hold them.
    for (const char* key : {"/FontDescriptor", "/DescendantFonts\\s*\\["}) {
        for (const int number : order) {
            const std::optional<int> part = referenceOf(objects[number].text, key);
            if (part && tagOf.count(*part) && !tagOf.count(number))
                tagOf[number] = tagOf[*part];
        }
    }
    for (const auto& [number, tag] : tagOf)
        tagName(objects[number].text,
                objects[number].text.contains("/Type /FontDescriptor") ? "/FontName" : "/BaseFont",
                tag);
}

} // namespace

std::vector<QByteArray> pageAsForm(const QByteArray& document, int first, SubsetTags& tags)
{
    const std::optional<std::map<int, qint64>> offsets = offsetsOf(document);
    if (!offsets)
        return {};
    std::map<int, Object> objects;
    int page = -1;
    for (const auto& [number, offset] : *offsets) {
        std::optional<Object> object = objectAt(document, number, offset, *offsets);
        if (!object)
            return {};
        if (!object->stream && object->text.contains("/Type /Page\n")) {
            if (page >= 0)
                return {};
            page = number;
        }
        objects.emplace(number, std::move(*object));
    }
    if (page < 0)
        return {};
    const std::optional<int> contents = referenceOf(objects[page].text, "/Contents");
    const std::optional<int> resources = referenceOf(objects[page].text, "/Resources");
    if (!contents || !resources || !objects.count(*contents) || !objects[*contents].stream)
        return {};

    // The content first, then all the resources refer to, in the order met.
    std::map<int, int> numbers{{*contents, first}};
    std::vector<int> order{*contents};
    for (std::vector<int> pending{*resources}; !pending.empty();) {
        const int number = pending.front();
        pending.erase(pending.begin());
        if (numbers.count(number) || !objects.count(number))
            continue;
        numbers.emplace(number, first + int(order.size()));
        order.push_back(number);
        for (const int next : referencesIn(objects[number].text))
            pending.push_back(next);
    }

    retag(objects, order, tags);

    std::vector<QByteArray> bodies;
    for (const int number : order) {
        const Object& object = objects[number];
        QByteArray text = renumbered(object.text, numbers);
        if (number == *contents) {
            if (!text.startsWith("<<"))
                return {};
            const QRegularExpressionMatch box =
                QRegularExpression(QStringLiteral("/MediaBox\\s*\\[([^\\]]*)\\]"))
                    .match(QString::fromLatin1(objects[page].text));
            if (!box.hasMatch())
                return {};
            text = "<< /Type /XObject /Subtype /Form /BBox [" + box.captured(1).toLatin1()
                   + "] /Resources " + QByteArray::number(numbers.at(*resources)) + " 0 R"
                   + text.mid(2);
        }
        bodies.push_back(object.stream ? text + "\nstream\n" + object.data + "\nendstream" : text);
    }
    return bodies;
}

// The shared text and path routines: control characters, fields, paths.

#include "util/basicutilities.h"

#include "util/fault.h"

namespace basicutilities {

QString cr;
QString lf;
QString crlf;

void setcontrolchars()
{
    lf = QString(QChar(10));
    cr = QString(QChar(13));
    crlf = cr + lf;
}

namespace {

// The routine once kept occurrence positions in a table of 8001 entries;
// these are the limits that table set, kept so results stay the same.
constexpr qsizetype maxCountOccurrences = 7998;
constexpr qint32 maxFieldNumber = 8000;

qsizetype find(QStringView work, QStringView delimiter, qsizetype from)
{
    if (delimiter.size() == 1)
        return work.indexOf(delimiter.front(), from);
    return work.indexOf(delimiter, from);
}

[[noreturn]] void tooManyDelimiters(qsizetype occurrences)
{
    throw Fault(FaultKind::SubscriptOutOfRange,
                QStringLiteral("more than %1 delimiters in one line").arg(occurrences - 1));
}

QString collapseSpaces(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool lastWasWord = false;
    for (QChar c : text) {
        if (c != QLatin1Char(' ')) {
            out.append(c);
            lastWasWord = true;
        } else if (lastWasWord) {
            out.append(c);
            lastWasWord = false;
        }
    }
    return out;
}

QString trimmed(QString& text, const QString& delimiter)
{
    if (text.isEmpty() || delimiter.isEmpty())
        return text;
    const qsizetype step = delimiter.size();
    QStringView view(text);
    qsizetype from = 0;
    while (view.sliced(from).startsWith(delimiter))
        from += step;
    if (from > 0)
        text = text.sliced(from);
    view = QStringView(text);
    qsizetype to = view.size();
    while (to >= step && view.first(to).endsWith(delimiter))
        to -= step;
    return text.first(to);
}

QString countFields(QStringView work, QStringView delimiter)
{
    if (work.isEmpty())
        return QStringLiteral("0");
    const qsizetype step = delimiter.size();
    qsizetype occurrences = 0;
    qsizetype lastEnd = -1;
    for (qsizetype at = find(work, delimiter, 0); at >= 0; at = find(work, delimiter, at + step)) {
        if (++occurrences > maxCountOccurrences)
            tooManyDelimiters(occurrences);
        lastEnd = at + step;
    }
    qsizetype count = occurrences + 1;
    if (lastEnd == work.size())
        --count; // a trailing delimiter opens no field
    return QString::number(count);
}

// Start and length of field n (n >= 1), or length -1 when the text has fewer fields.
FieldSpan findField(QStringView work, qint32 n, QStringView delimiter)
{
    const qsizetype step = delimiter.size();
    qsizetype start = 0;
    for (qint32 field = 1;; ++field) {
        const qsizetype at = find(work, delimiter, start);
        if (field == n) {
            if (at >= 0 && n == maxFieldNumber)
                tooManyDelimiters(n + 1);
            return {start, (at < 0 ? work.size() : at) - start};
        }
        if (at < 0)
            return {start, -1};
        start = at + step;
    }
}

QString piece(const QString& work, FieldSpan span)
{
    if (span.length <= 0)
        return QString();
    if (span.length == work.size())
        return work;
    return work.sliced(span.start, span.length);
}

} // namespace

QString getfield(QString& text, qint32 n, QString& delimiter)
{
    if (n == -1)
        return trimmed(text, delimiter);

    // Spaces are cut after collapsing; an empty delimiter means a space.
    const bool collapse =
        delimiter.isEmpty() || (delimiter.size() == 1 && delimiter.front() == QLatin1Char(' '));
    QString collapsed;
    if (collapse) {
        if (delimiter.isEmpty())
            delimiter = QStringLiteral(" ");
        collapsed = collapseSpaces(text);
    }
    const QString& work = collapse ? collapsed : text;

    if (n <= 0)
        return countFields(work, delimiter);
    if (n > maxFieldNumber)
        return QString();
    const FieldSpan span = findField(work, n, delimiter);
    if (span.length < 0)
        return QString();
    return piece(work, span);
}

QString getfield(const QString& text, qint32 n, const QString& delimiter)
{
    QString t = text;
    QString d = delimiter;
    return getfield(t, n, d);
}

qsizetype cutFields(QStringView row, QChar delimiter, std::span<FieldSpan> out)
{
    Q_ASSERT(delimiter != QLatin1Char(' '));
    const qsizetype wanted = qsizetype(out.size());
    const qsizetype end = row.size();
    qsizetype found = 0;
    qsizetype start = 0;
    bool more = true;
    const QChar* data = row.data();
    while (found < wanted && more) {
        qsizetype at = start;
        while (at < end && data[at] != delimiter)
            ++at;
        more = at < end;
        if (found + 1 > maxFieldNumber)
            break;
        if (more && found + 1 == maxFieldNumber)
            tooManyDelimiters(maxFieldNumber + 1);
        out[found++] = {start, at - start};
        start = at + 1;
    }
    for (qsizetype i = found; i < wanted; ++i)
        out[i] = {end, 0};
    return found;
}

QString splitpath(QString& path, qint16 mode)
{
    if (path.isEmpty())
        return QString();

    qsizetype first = 0;
    qsizetype last = path.size();
    while (first < last && path.at(first) == QLatin1Char(' '))
        ++first;
    if (first < last) { // a path of spaces only stays as it is
        while (path.at(last - 1) == QLatin1Char(' '))
            --last;
        if (first > 0 || last < path.size())
            path = path.sliced(first, last - first);
    }

    QString cleaned;
    cleaned.reserve(path.size());
    for (QChar c : std::as_const(path)) {
        switch (c.unicode()) {
        case '/':
        case '*':
        case '?':
        case '<':
        case '>':
        case '|': break;
        default: cleaned.append(c);
        }
    }

    const qsizetype backslash = cleaned.lastIndexOf(QLatin1Char('\\')); // -1 if none
    const QString folder = backslash < 0 ? QString() : cleaned.first(backslash);
    QString lastElement = cleaned.sliced(backslash + 1);
    const qsizetype dot = lastElement.indexOf(QLatin1Char('.'));
    QString name = lastElement;
    QString ext;
    QString dotText;
    if (dot >= 0) {
        const qsizetype second = lastElement.indexOf(QLatin1Char('.'), dot + 1);
        name = lastElement.first(dot);
        ext = second < 0 ? lastElement.sliced(dot + 1)
                         : lastElement.sliced(dot + 1, second - dot - 1);
        dotText = QStringLiteral(".");
    }

    const QString backslashText = QStringLiteral("\\");
    switch (mode) {
    case 0: return name + dotText + ext;
    case 1: return name;
    case 2: return ext;
    case 3: return folder;
    case 4: return folder + backslashText + name + dotText + ext;
    case 5: return folder + backslashText + name;
    default: return QString();
    }
}

QString splitpath(const QString& path, qint16 mode)
{
    QString p = path;
    return splitpath(p, mode);
}

} // namespace basicutilities

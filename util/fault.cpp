// The fault type's messages, with the texts they quote made safe to show.

#include "util/fault.h"

#include <QStringList>

namespace {

// Characters that would act on a terminal or a text layout instead of
// showing: C0 and C1 controls, DEL, line and paragraph separators, the
// direction marks, embeddings, overrides and isolates, and lone surrogates.
bool actsInsteadOfShowing(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
           || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E)
           || (c >= 0x2066 && c <= 0x2069) || (c >= 0xD800 && c <= 0xDFFF);
}

// Calls `take(piece)` for each character of `text` as a message shows it,
// until `take` returns false.
template <typename Take>
void eachShown(QStringView text, Take take)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        QString piece;
        if (actsInsteadOfShowing(c))
            piece = c <= 0xFF ? QString::asprintf("\\x%02x", unsigned(c))
                              : QString::asprintf("\\u%04x", unsigned(c));
        else
            piece = text.sliced(i, units).toString();
        if (!take(piece))
            return;
        i += units - 1;
    }
}

} // namespace

QString quotedText(QStringView text, qsizetype limit)
{
    QString out = QStringLiteral("\"");
    qsizetype shown = 0;
    eachShown(text, [&](const QString& piece) {
        if (shown + piece.size() > limit) {
            out += QChar(0x2026);
            return false;
        }
        out += piece;
        shown += piece.size();
        return true;
    });
    return out + QLatin1Char('"');
}

QString escapedText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    eachShown(text, [&](const QString& piece) {
        out += piece;
        return true;
    });
    return out;
}

Fault::Fault(FaultKind kind, QString detail) : kind_(kind), detail_(std::move(detail))
{
    refresh();
}

QString Fault::kindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::CannotOpenFile: return QStringLiteral("Cannot open file");
    case FaultKind::CannotWriteFile: return QStringLiteral("Cannot write file");
    case FaultKind::InputPastEnd: return QStringLiteral("Input past end of file");
    case FaultKind::TypeMismatch: return QStringLiteral("Type mismatch");
    case FaultKind::Overflow: return QStringLiteral("Overflow");
    case FaultKind::SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case FaultKind::DecoderError: return QStringLiteral("Decoder error");
    }
    return QStringLiteral("Fault");
}

Fault& Fault::inFile(const QString& path)
{
    file_ = path;
    refresh();
    return *this;
}
Fault& Fault::atLine(int line)
{
    line_ = line;
    refresh();
    return *this;
}
Fault& Fault::atField(int field)
{
    field_ = field;
    refresh();
    return *this;
}
Fault& Fault::onChannel(int channel)
{
    channel_ = channel;
    refresh();
    return *this;
}
Fault& Fault::withText(const QString& text)
{
    text_ = text;
    hasText_ = true;
    refresh();
    return *this;
}

QString Fault::message() const
{
    QString out = kindName(kind_);
    if (!detail_.isEmpty())
        out += QStringLiteral(": ") + detail_;
    QStringList where;
    if (!file_.isEmpty())
        where << QStringLiteral("file %1").arg(escapedText(file_));
    if (line_ > 0)
        where << QStringLiteral("line %1").arg(line_);
    if (field_ > 0)
        where << QStringLiteral("field %1").arg(field_);
    if (channel_ >= 0)
        where << QStringLiteral("channel %1").arg(channel_);
    if (!where.isEmpty())
        out += QStringLiteral(" (") + where.join(QStringLiteral(", ")) + QLatin1Char(')');
    return out;
}

const char* Fault::what() const noexcept { return what_.c_str(); }

void Fault::refresh() { what_ = message().toStdString(); }

QString failureMessage(const QString& where, const std::exception& failure)
{
    if (const auto* fault = dynamic_cast<const Fault*>(&failure))
        return fault->message();
    return QStringLiteral("%1: %2").arg(escapedText(where), QString::fromLocal8Bit(failure.what()));
}

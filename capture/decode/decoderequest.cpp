// The -P syntax, split with backslash escapes.

#include "capture/decode/decoderequest.h"

#include "util/fault.h"

namespace decode {

namespace {

// One piece of the text between separators, unescaped, with the position of
// its first unescaped '=' (-1 when none).
struct Piece {
    QString text;
    qsizetype equals = -1;
    bool empty() const { return text.isEmpty() && equals < 0; }
};

QString escaped(const QString& text, bool inValue)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\\' || c == u':' || c == u',' || (!inValue && c == u'='))
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace

Checked<StackRequest> parseStackRequest(QStringView text)
{
    using Result = Checked<StackRequest>;
    StackRequest request;
    // Each decoder: its pieces between ':'.
    QList<QList<Piece>> decoders(1);
    decoders.last().append(Piece{});
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        Piece& piece = decoders.last().last();
        if (c == u'\\') {
            if (i + 1 == text.size())
                return Result::refused(QStringLiteral("%1 ends in a backslash: write \\\\ for one")
                                           .arg(quotedText(text)));
            piece.text += text[++i];
        } else if (c == u':') {
            decoders.last().append(Piece{});
        } else if (c == u',') {
            decoders.append({Piece{}});
        } else if (c == u'=' && piece.equals < 0) {
            piece.equals = piece.text.size();
        } else {
            piece.text += c;
        }
    }

    for (const QList<Piece>& pieces : decoders) {
        const Piece& first = pieces.first();
        if (first.empty() || first.equals >= 0)
            return Result::refused(
                QStringLiteral("%1 has %2 where a decoder's id belongs: give ID:KEY=VALUE…")
                    .arg(quotedText(text),
                         first.empty() ? QStringLiteral("nothing") : quotedText(first.text)));
        DecoderRequest decoder{first.text, {}};
        for (qsizetype p = 1; p < pieces.size(); ++p) {
            const Piece& piece = pieces[p];
            if (piece.empty())
                continue;
            if (piece.equals < 0 && piece.text == QLatin1String("help"))
                return Result{StackRequest{{}, decoder.id}, {}};
            if (piece.equals < 0)
                decoder.settings.append({piece.text, {}, false});
            else
                decoder.settings.append(
                    {piece.text.left(piece.equals), piece.text.mid(piece.equals), true});
        }
        request.decoders.append(decoder);
    }
    return Result{request, {}};
}

QString requestText(const StackRequest& request)
{
    if (!request.helpFor.isEmpty())
        return escaped(request.helpFor, false) + QStringLiteral(":help");
    QStringList decoders;
    for (const DecoderRequest& decoder : request.decoders) {
        QString text = escaped(decoder.id, false);
        for (const DecoderSetting& setting : decoder.settings) {
            text += u':' + escaped(setting.key, false);
            if (setting.hasValue)
                text += u'=' + escaped(setting.value, true);
        }
        decoders << text;
    }
    return decoders.join(u',');
}

} // namespace decode

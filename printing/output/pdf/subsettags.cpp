// Subset tags derived from the font program, so equal documents stay
// byte-identical.
#include "printing/output/pdf/subsettags.h"

#include <QCryptographicHash>

QByteArray SubsetTags::tagFor(const QByteArray& program)
{
    const QByteArray digest = QCryptographicHash::hash(program, QCryptographicHash::Sha256);
    for (int attempt = 0;; ++attempt) {
        const QByteArray bits = attempt == 0
                                    ? digest
                                    : QCryptographicHash::hash(digest + QByteArray::number(attempt),
                                                               QCryptographicHash::Sha256);
        quint64 value = 0;
        for (int i = 0; i < 8; ++i)
            value = value << 8 | uchar(bits[i]);
        QByteArray tag(6, 'A');
        for (char& letter : tag) {
            letter = char('A' + value % 26);
            value /= 26;
        }
        const auto [found, added] = digests_.emplace(tag, digest);
        if (added || found->second == digest)
            return tag;
    }
}

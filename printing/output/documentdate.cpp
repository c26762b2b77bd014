// The fixed date of reproducible documents.
#include "printing/output/documentdate.h"

#include "util/fault.h"

#include <QByteArray>
#include <QString>

#include <charconv>

std::optional<QDateTime> sourceDateEpoch()
{
    // The latest time a PDF date can hold: the end of the year 9999.
    constexpr qint64 latest = 253402300799;
    const QByteArray value = qgetenv("SOURCE_DATE_EPOCH");
    if (value.isEmpty())
        return std::nullopt;
    qint64 seconds = 0;
    const auto [end, error] =
        std::from_chars(value.constData(), value.constData() + value.size(), seconds);
    if (error == std::errc() && end == value.constData() + value.size() && seconds >= 0
        && seconds <= latest)
        return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    QString shown;
    for (const char c : value.left(40))
        shown += c > ' ' && c < 127 && c != '"' && c != '\\'
                     ? QString(QLatin1Char(c))
                     : QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    if (value.size() > 40)
        shown += QStringLiteral("...");
    throw Fault(FaultKind::TypeMismatch,
                QStringLiteral(
                    "SOURCE_DATE_EPOCH \"%1\" is not a whole number of seconds since 1970 from 0 "
                    "to %2 (the end of the year 9999)")
                    .arg(shown, QString::number(latest)));
}

// Turning a header line into its words.

#include "util/stripper.h"

#include "util/basicutilities.h"

QString stripper(QString& datain)
{
    const qsizetype length = datain.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = datain.at(i);
        if (c == QLatin1Char(',') || c == QLatin1Char('"'))
            datain[i] = QLatin1Char(' ');
    }

    // The count carries the field cutter's limit on words per line.
    QString delimiter = QStringLiteral(" ");
    basicutilities::getfield(datain, 0, delimiter);

    // Word i as the field cutter gives it is the i-th run of non-spaces;
    // one pass keeps long lines linear.
    QString result;
    result.reserve(datain.size() + 1);
    for (QStringView word : QStringView(datain).tokenize(u' ', Qt::SkipEmptyParts)) {
        result += word;
        result += QLatin1Char(' ');
    }
    return result;
}

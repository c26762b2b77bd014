// Matching file names against the chooser's patterns.

#include "ui/toolkit/namepattern.h"

#include <QStringList>

namespace toolkit {
namespace {
QString toExpression(const QString& pattern)
{
    QString expression;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QStringLiteral(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return expression;
}
} // namespace

NamePattern::NamePattern(const QString& patterns, Qt::CaseSensitivity cs)
{
    QRegularExpression::PatternOptions options = QRegularExpression::DotMatchesEverythingOption;
    if (cs == Qt::CaseInsensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    const QStringList parts = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& raw : parts) {
        const QString part = raw.trimmed();
        if (part.isEmpty())
            continue;
        QString expression = toExpression(part);
        if (part.endsWith(QLatin1String(".*")))
            expression = QStringLiteral("(?:%1|%2)").arg(expression, toExpression(part.chopped(2)));
        parts_.append(QRegularExpression(QRegularExpression::anchoredPattern(expression), options));
    }
}

bool NamePattern::matches(const QString& name) const
{
    if (parts_.isEmpty())
        return true;
    for (const QRegularExpression& part : parts_) {
        if (part.match(name).hasMatch())
            return true;
    }
    return false;
}

bool hasWildcards(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

} // namespace toolkit

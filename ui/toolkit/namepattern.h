#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>

namespace toolkit {

// File-name patterns as the file list takes them: several patterns joined by
// ";", each with "*" (any run of characters) and "?" (one character); every
// other character stands for itself. "name.*" also matches "name" without an
// extension, so "*.*" matches every name. A pattern with no parts matches
// every name.
class NamePattern {
public:
    explicit NamePattern(const QString& patterns = QStringLiteral("*.*"),
                         Qt::CaseSensitivity cs = Qt::CaseInsensitive);

    bool matches(const QString& name) const;

private:
    QList<QRegularExpression> parts_;
};

// True when the text holds "*" or "?".
bool hasWildcards(const QString& text);

} // namespace toolkit

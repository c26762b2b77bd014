#include "util/fault.h"

#include <QStringList>

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
    }
    return QStringLiteral("Fault");
}

Fault& Fault::inFile(const QString& path) { file_ = path; refresh(); return *this; }
Fault& Fault::atLine(int line) { line_ = line; refresh(); return *this; }
Fault& Fault::atField(int field) { field_ = field; refresh(); return *this; }
Fault& Fault::onChannel(int channel) { channel_ = channel; refresh(); return *this; }
Fault& Fault::withText(const QString& text) { text_ = text; hasText_ = true; refresh(); return *this; }

QString Fault::message() const
{
    QString out = kindName(kind_);
    if (!detail_.isEmpty())
        out += QStringLiteral(": ") + detail_;
    QStringList where;
    if (!file_.isEmpty())
        where << QStringLiteral("file %1").arg(file_);
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

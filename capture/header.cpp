// Reading the five header lines of a capture file.

#include "capture/header.h"

#include "capture/linereader.h"
#include "util/basicutilities.h"
#include "util/stripper.h"

std::optional<CaptureHeader> readHeader(const QString& path,
                                        const std::optional<QByteArray>& preloaded)
{
    LineReader reader(path, preloaded);
    const QString comma = QStringLiteral(",");
    const QString blank = QStringLiteral(" ");
    const QString separator = QStringLiteral(" / ");

    CaptureHeader header;
    for (int number = 1; number <= 4; ++number) {
        QString line = reader.readLine();
        if (number == 1 && basicutilities::getfield(line, 1, comma) != captureKey)
            return std::nullopt;
        header.heading += stripper(line);
        header.heading += separator;
    }
    header.heading.chop(2);

    QString nameline = reader.readLine();
    const QString names = stripper(nameline);
    for (int k = 0; k < channelCount; ++k)
        header.names[k] = basicutilities::getfield(names, k + 1, blank);
    return header;
}

// Reading the converter's markers.
#include "app/markeroption.h"

#include "app/optionvalues.h"
#include "printing/page/markers.h"
#include "util/fault.h"

QString readMarkerValues(const QStringList& given, int samplecount, std::vector<Marker>& markers)
{
    if (given.size() > maximumMarkers)
        return QStringLiteral("--marker given %1 times: at most %2 markers, A to Z")
            .arg(given.size())
            .arg(maximumMarkers);
    std::vector<Marker> read;
    for (const QString& value : given) {
        const qsizetype colon = value.indexOf(u':');
        const auto sample = wholeNumber(QStringView(value).left(colon < 0 ? value.size() : colon));
        if (!sample)
            return QStringLiteral("bad --marker %1: use a sample from 0 to %2, and :LABEL after "
                                  "it if wanted, such as 600 or 600:start")
                .arg(quotedText(value))
                .arg(samplecount - 1);
        if (*sample >= samplecount)
            return QStringLiteral("bad --marker %1: samples are numbered 0 to %2")
                .arg(quotedText(value))
                .arg(samplecount - 1);
        read.push_back({*sample, colon < 0 ? QString() : value.mid(colon + 1)});
        for (std::size_t i = 0; i + 1 < read.size(); ++i) {
            if (read[i].sample == *sample)
                return QStringLiteral("--marker %1: sample %2 has a marker already (--marker %3)")
                    .arg(quotedText(value))
                    .arg(*sample)
                    .arg(quotedText(given[qsizetype(i)]));
            const QString label = markerLabel(read, read.size() - 1);
            if (markerLabel(read, i) == label)
                return QStringLiteral("--marker %1: the label %2 is that of --marker %3 already")
                    .arg(quotedText(value), quotedText(label), quotedText(given[qsizetype(i)]));
        }
    }
    markers = std::move(read);
    return QString();
}

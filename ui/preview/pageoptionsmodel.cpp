// The page options Print and the preview share, and what they are called.

#include "ui/preview/pageoptionsmodel.h"

#include "util/fault.h"

#include <QStringList>

PageOptionsModel::PageOptionsModel(int samplecount, QObject* parent)
    : QObject(parent), samplecount_(samplecount)
{
}

void PageOptionsModel::set(PageOptions options)
{
    // The range boxes name the last sample by its number.
    if (options.lastsample == samplecount_ - 1)
        options.lastsample = PageOptions::lastOfCapture;
    if (options == options_)
        return;
    options_ = std::move(options);
    emit changed();
}

QString PageOptionsModel::problem(int samplecount) const
{
    try {
        pageLayouts(options_, samplecount);
    } catch (const Fault& fault) {
        return fault.message();
    }
    return QString();
}

QString PageOptionsModel::summaryOf(const PageOptions& options, int samplecount)
{
    const PageOptions designed;
    QStringList words;
    if (options.paper != designed.paper) {
        QString name = paperName(options.paper);
        name[0] = name[0].toUpper();
        words << name;
    }
    if (options.firstsample != designed.firstsample || options.lastsample != designed.lastsample)
        words << QStringLiteral("%1–%2").arg(options.firstsample).arg(options.lastIn(samplecount));
    if (options.pages != designed.pages)
        words << QStringLiteral("%1 pages").arg(options.pages);
    if (options.timeaxis)
        words << QStringLiteral("time axis");
    if (!options.markers.empty())
        words << (options.markers.size() == 1
                      ? QStringLiteral("1 marker")
                      : QStringLiteral("%1 markers").arg(options.markers.size()));
    if (!options.buses.empty())
        words << (options.buses.size() == 1 ? QStringLiteral("1 bus")
                                            : QStringLiteral("%1 buses").arg(options.buses.size()));
    if (!options.decoders.empty())
        words << (options.decoders.size() == 1
                      ? QStringLiteral("1 decoder")
                      : QStringLiteral("%1 decoders").arg(options.decoders.size()));
    if (options.layout != designed.layout)
        words << QStringLiteral("filled page");
    return words.join(QStringLiteral(" · "));
}

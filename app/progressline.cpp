#include "app/progressline.h"

#include <QString>
#include <QTextStream>

#include <algorithm>

ProgressLine::ProgressLine(QTextStream& err, bool shown, int total)
    : err_(err), shown_(shown), total_(total)
{
    clock_.start();
}

void ProgressLine::update(int done, int failed)
{
    if (!shown_ || (done < total_ && clock_.elapsed() - drawnAt_ < 100))
        return;
    drawnAt_ = clock_.elapsed();
    const double seconds = std::max<qint64>(clock_.elapsed(), 1) / 1000.0;
    const QString failures = failed > 0 ? QStringLiteral(", %1 failed").arg(failed) : QString();
    const QString line = QStringLiteral("%1/%2 captures%3, %4 pages/s")
                             .arg(done)
                             .arg(total_)
                             .arg(failures)
                             .arg(done / seconds, 0, 'f', 1);
    err_ << '\r' << line.leftJustified(width_) << Qt::flush;
    width_ = int(line.size());
}

void ProgressLine::clear()
{
    if (shown_ && width_ > 0)
        err_ << '\r' << QString(width_, u' ') << '\r';
    width_ = 0;
}

void ProgressLine::finish()
{
    if (shown_ && width_ > 0)
        err_ << '\n' << Qt::flush;
    width_ = 0;
}

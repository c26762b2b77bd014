#include "tests/support/capturefixture.h"
#include "ui/main.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The time from a click on Print to the PDF on disk, for all sixteen channels
// and tick marks every sample; the Save dialog is answered at once.
class BenchMain : public QObject {
    Q_OBJECT

private slots:
    void printClickToPdf()
    {
        QTemporaryDir dir;
        capturefixture::CaptureRecipe recipe = capturefixture::serialExample();
        recipe.level = [](int row, int channel) { return (row >> (channel % 6)) & 1; };
        const QString capture =
            capturefixture::writeCapture(dir, QStringLiteral("full.csv"), recipe);
        const QString pdf = dir.filePath(QStringLiteral("full.pdf"));

        ui::main window;
        window.setEndProgram([] {});
        window.filepath = capture;
        window.cmmd[4]->click();
        window.tickfrequency->setText(QStringLiteral("1"));
        window.pdfPrinter().setTargetChooser([pdf] { return pdf; });

        QBENCHMARK
        {
            QFile::remove(pdf);
            window.cmmd[3]->click();
        }
        QVERIFY(QFile::exists(pdf));
        qInfo("PDF size: %lld bytes", static_cast<long long>(QFile(pdf).size()));
    }
};

QTEST_MAIN(BenchMain)
#include "bench_main.moc"

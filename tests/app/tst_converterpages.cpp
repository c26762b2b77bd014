// The pages read back: what the options put on them, a capture over several
// pages, and a binder of several captures.

#include "capture/decode/decoderinfo.h"
#include "convertertools.h"

#include <QRegularExpression>
#include <QStandardPaths>

using namespace capturefixture;
using namespace convertertools;

class ConverterPagesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void pageFollowsTheOptions_data();
    void pageFollowsTheOptions();
    void combinedPagesAreTheSinglePages();
    void splitPagesReadBack_data();
    void splitPagesReadBack();

private:
    QTemporaryDir dir_;
    QString good_;
};

void ConverterPagesTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

void ConverterPagesTest::pageFollowsTheOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("defaults") << QStringList{}
                              << QStringList{"ZelmarProgramVersion 2.31",
                                             "Tick frequency:10 samples @ 100ns/sample =1000ns",
                                             "CH0", "CH15"}
                              << QStringList{};
    QTest::newRow("two channels, own heading, no tick marks")
        << QStringList{"--channels", "2,5", "--heading", "Bench run", "--no-tick-marks"}
        << QStringList{"Bench run", "CH2", "CH5"}
        << QStringList{"CH3", "Tick frequency", "ZelmarProgramVersion"};
    QTest::newRow("period without unit")
        << QStringList{"--tick-marks", "4", "--resolution", "2.5", "--unit", "none"}
        << QStringList{"Tick frequency:4 samples @ 2.5/sample =10"} << QStringList{"2.5ns"};
    QTest::newRow("no period") << QStringList{"--resolution", ""}
                               << QStringList{"Tick frequency:10 samples"} << QStringList{"@"};
    QTest::newRow("markers") << QStringList{"--marker", "100",          "--marker",
                                            "356:stop", "--resolution", "125"}
                             << QStringList{"A stop", "A→stop 32 µs (31.25 kHz)"} << QStringList{};
    // Qt notes that the page font cannot shape the script; not the user's concern.
    QTest::newRow("a script the page font lacks")
        << QStringList{"--heading", "Run \u0926\u0947\u0935\u0928\u093E\u0917\u0930\u0940"}
        << QStringList{"Run"} << QStringList{};
}

void ConverterPagesTest::pageFollowsTheOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("pdftotext (poppler-utils) is needed to read the page back: make test installs it");

    const QString out = dir_.filePath(QStringLiteral("page.pdf"));
    const Result result = convert(QStringList{good_, QStringLiteral("-o"), out} + options);
    QVERIFY2(result.exitCode == 0 && result.err.isEmpty(), qPrintable(result.err));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), out, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(60000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const QString& t : present)
        QVERIFY2(page.contains(t), qPrintable(t + QStringLiteral(" in: ") + page));
    for (const QString& t : absent)
        QVERIFY2(!page.contains(t), qPrintable(t + QStringLiteral(" in: ") + page));
}

void ConverterPagesTest::combinedPagesAreTheSinglePages()
{
    if (!poppler::available()
        || QStandardPaths::findExecutable(QStringLiteral("pdfseparate")).isEmpty())
        QFAIL("poppler-utils are needed to read the pages back: make test installs them");
    QTemporaryDir here;
    // A channel name only the PDF engine can draw, after the first pages:
    // the engine then binds them all.
    const QString greek = writeCapture(here, QStringLiteral("greek.csv"), counterExample());
    QFile file(greek);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Two fonts besides the page font: the engine's subsets then differ by run
    // unless their order and names depend on the text alone.
    const QByteArray text = file.readAll().replace(
        "\"Q2\"", "\"\xce\xa3\xce\xae\xce\xbc\xce\xb1 \xe4\xb8\xad\xe6\x96\x87\"");
    file.close();
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(text) == text.size());
    file.close();
    // Decoded where the library is: each capture decoded on its own.
    const QStringList captures{writeCapture(here, QStringLiteral("serial.csv"), serialExample()),
                               good_,
                               writeCapture(here, QStringLiteral("counter.csv"), counterExample()),
                               greek};
    const QStringList decoded = decode::decodingAvailable()
                                    ? QStringList{"--decode", "spi:clk=1:mosi=2:miso=3:cs=0"}
                                    : QStringList{};
    const QString all = here.filePath(QStringLiteral("all.pdf"));
    const QString allOneJob = here.filePath(QStringLiteral("all1.pdf"));
    // With the date fixed, as reproducible builds fix it, the bytes are the same.
    QProcessEnvironment fixedDate = QProcessEnvironment::systemEnvironment();
    fixedDate.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1700000000"));
    QCOMPARE(convert(captures + decoded + QStringList{"--combine", all, "--jobs", "2"}, fixedDate)
                 .exitCode,
             0);
    QCOMPARE(convert(captures + decoded + QStringList{"--combine", allOneJob, "--jobs", "1"},
                     fixedDate)
                 .exitCode,
             0);
    QVERIFY(contents(all) == contents(allOneJob));
    for (int run = 0; run < 3; ++run) {
        QCOMPARE(convert(captures + decoded + QStringList{"--combine", allOneJob, "--jobs", "2"},
                         fixedDate)
                     .exitCode,
                 0);
        QVERIFY2(contents(all) == contents(allOneJob),
                 qPrintable(QStringLiteral("run %1").arg(run)));
    }

    // The binder to standard output is the same document.
    QProcess piped;
    piped.setProcessEnvironment(fixedDate);
    piped.start(QStringLiteral(ZELMAR_PDF), captures + decoded + QStringList{"--combine", "-"});
    QVERIFY(piped.waitForFinished(60000) && piped.exitCode() == 0);
    QVERIFY(piped.readAllStandardOutput() == contents(all));

    const QByteArray info = poppler::info(all);
    QVERIFY2(info.contains("Pages:           4"), info.constData());
    QVERIFY2(info.contains("CreationDate:    Tue Nov 14 22:13:20 2023 UTC"), info.constData());
    // The structure, read by a second, stricter reader.
    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), all});
    QVERIFY2(check.waitForFinished(60000) && check.exitCode() == 0,
             "qpdf --check found faults (make test installs qpdf)");
    QVERIFY(poppler::text(all).contains(QStringLiteral("\u03A3\u03AE\u03BC\u03B1")));
    poppler::run(QStringLiteral("pdfseparate"),
                 {all, here.filePath(QStringLiteral("page-%d.pdf"))});
    for (int i = 0; i < captures.size(); ++i) {
        const QString single = here.filePath(QStringLiteral("single-%1.pdf").arg(i + 1));
        QCOMPARE(convert(QStringList{captures[i], QStringLiteral("-o"), single} + decoded).exitCode,
                 0);
        const QImage page = popplerImage(here.filePath(QStringLiteral("page-%1.pdf").arg(i + 1)),
                                         50, here.filePath(QStringLiteral("page")));
        const QImage alone = popplerImage(single, 50, here.filePath(QStringLiteral("alone")));
        QVERIFY(!page.isNull());
        QVERIFY2(page == alone, qPrintable(QStringLiteral("page %1").arg(i + 1)));
    }
}

void ConverterPagesTest::splitPagesReadBack_data()
{
    // OUT: a fresh folder; CAPTURE: run.csv; SECOND: second.csv, another heading.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("blocked"); // folders made in OUT beforehand, where files go
    QTest::addColumn<QStringList>("former");  // files in OUT beforehand, kept on failure
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("files");  // what OUT holds afterwards
    QTest::addColumn<QStringList>("ranges"); // each page's range line, for a PDF
    const QStringList quarters{"samples 0\u2013511 (0\u201351.2 \u00b5s), page 1 of 4",
                               "samples 512\u20131023 (51.2\u2013102.4 \u00b5s), page 2 of 4",
                               "samples 1024\u20131535 (102.4\u2013153.6 \u00b5s), page 3 of 4",
                               "samples 1536\u20132047 (153.6\u2013204.8 \u00b5s), page 4 of 4"};
    QTest::newRow("PDF of four pages")
        << QStringList{"CAPTURE", "--pages", "4", "--time-axis", "-o", "OUT/run.pdf"}
        << QStringList{} << QStringList{} << 0 << QStringList{"run.pdf"} << quarters;
    QTest::newRow("binder, each capture's pages in turn")
        << QStringList{"CAPTURE",   "SECOND",      "--pages", "2", "--time-axis",
                       "--combine", "OUT/all.pdf", "--jobs",  "2"}
        << QStringList{} << QStringList{} << 0 << QStringList{"all.pdf"}
        << QStringList{"samples 0\u20131023 (0\u2013102.4 \u00b5s), page 1 of 2",
                       "samples 1024\u20132047 (102.4\u2013204.8 \u00b5s), page 2 of 2",
                       "samples 0\u20131023 (0\u2013102.4 \u00b5s), page 1 of 2",
                       "samples 1024\u20132047 (102.4\u2013204.8 \u00b5s), page 2 of 2"};
    QTest::newRow("SVG pages named after -o")
        << QStringList{"CAPTURE", "--pages", "4", "-o", "OUT/out.svg"} << QStringList{}
        << QStringList{} << 0 << QStringList{"out-1.svg", "out-2.svg", "out-3.svg", "out-4.svg"}
        << QStringList{};
    // Numbered after the name when the name is all extension.
    QTest::newRow("SVG pages of a name that is all extension")
        << QStringList{"CAPTURE", "--pages", "2", "-o", "OUT/.svg"} << QStringList{}
        << QStringList{} << 0 << QStringList{".svg-1", ".svg-2"} << QStringList{};
    QStringList twelve;
    for (int page = 1; page <= 12; ++page)
        twelve << QStringLiteral("run-%1.png").arg(page, 2, 10, QLatin1Char('0'));
    QTest::newRow("PNG pages numbered to two digits")
        << QStringList{"CAPTURE", "--pages",      "12",  "--format", "png", "--dpi",
                       "10",      "--output-dir", "OUT", "--jobs",   "2"}
        << QStringList{} << QStringList{} << 0 << twelve << QStringList{};
    QTest::newRow("one SVG page keeps its name")
        << QStringList{"CAPTURE", "--pages",      "1",  "--samples", "5-900", "--format",
                       "svg",     "--output-dir", "OUT"}
        << QStringList{} << QStringList{} << 0 << QStringList{"run.svg"} << QStringList{};
    QTest::newRow("a page that cannot be written takes its siblings")
        << QStringList{"CAPTURE", "--pages", "4", "-o", "OUT/out.svg"} << QStringList{"out-3.svg"}
        << QStringList{} << 1 << QStringList{"out-3.svg"} << QStringList{};
    QTest::newRow("a page that cannot be written puts back the files replaced")
        << QStringList{"CAPTURE", "--pages", "4", "-o", "OUT/out.svg"} << QStringList{"out-3.svg"}
        << QStringList{"out-1.svg", "out-2.svg"} << 1
        << QStringList{"out-1.svg", "out-2.svg", "out-3.svg"} << QStringList{};
    QTest::newRow("a page file over a capture")
        << QStringList{"OUT/x-2.svg", "--pages", "2", "-o", "OUT/x.svg"} << QStringList{}
        << QStringList{} << 1 << QStringList{"x-2.svg"} << QStringList{};
}

// Every page's range and time labels, read back by poppler; every page file
// named as pdftoppm names them, all or none of them written.
void ConverterPagesTest::splitPagesReadBack()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, blocked);
    QFETCH(QStringList, former);
    QFETCH(int, exitCode);
    QFETCH(QStringList, files);
    QFETCH(QStringList, ranges);
    if (!poppler::available())
        QFAIL("poppler-utils are needed to read the pages back: make test installs them");
    QTemporaryDir here;
    const QString out = here.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    for (const QString& folder : blocked)
        QVERIFY(QDir(out).mkdir(folder));
    for (const QString& file : former) {
        QFile made(QDir(out).filePath(file));
        QVERIFY(made.open(QIODevice::WriteOnly) && made.write(file.toUtf8()) == file.size());
    }
    CaptureRecipe second = moving();
    second.header[1] = "Second run";
    args.replaceInStrings(QStringLiteral("CAPTURE"),
                          writeCapture(here, QStringLiteral("run.csv"), moving()));
    args.replaceInStrings(QStringLiteral("SECOND"),
                          writeCapture(here, QStringLiteral("second.csv"), second));
    if (args.first().startsWith(QLatin1String("OUT/")))
        QVERIFY(!writeCapture(here, QStringLiteral("out/x-2.svg"), moving()).isEmpty());
    args.replaceInStrings(QRegularExpression(QStringLiteral("^OUT")), out);

    const Result result = convert(args);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), files);
    if (exitCode != 0) {
        QCOMPARE(result.err.count(u'\n'), 1);
        QVERIFY2(result.err.contains(QDir(out).filePath(blocked.value(0, files.first()))),
                 qPrintable(result.err));
        for (const QString& file : former)
            QCOMPARE(contents(QDir(out).filePath(file)), file.toUtf8());
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString file = QDir(out).filePath(files[i]);
        if (file.endsWith(QLatin1String(".svg")))
            QVERIFY2(
                contents(file).contains(
                    files.size() == 1
                        ? QByteArray("samples 5")
                        : QStringLiteral("page %1 of %2").arg(i + 1).arg(files.size()).toUtf8()),
                qPrintable(file));
        if (file.endsWith(QLatin1String(".png")))
            QCOMPARE(QImage(file).size(), QSize(170, 110));
    }
    if (ranges.isEmpty())
        return;

    const QString pdf = QDir(out).filePath(files.first());
    QVERIFY(poppler::info(pdf).contains(
        QStringLiteral("Pages:           %1").arg(ranges.size()).toLatin1()));
    static const QRegularExpression range(
        QStringLiteral("samples (\\d+)\u2013(\\d+) \\(([\\d.]+)\u2013([\\d.]+) \u00b5s\\)"));
    static const QRegularExpression label(QStringLiteral("^([\\d.]+) \u00b5s$"));
    for (int page = 1; page <= ranges.size(); ++page) {
        const QString text = QString::fromUtf8(
            poppler::run(QStringLiteral("pdftotext"),
                         {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                          QString::number(page), pdf, QStringLiteral("-")}));
        const QString& expected = ranges[page - 1];
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in: ") + text));
        // Captures in the order given, whatever the jobs.
        QCOMPARE(text.contains(QStringLiteral("Second run")),
                 page > 2 && ranges.size() == 4 && files.first() == "all.pdf");
        // Labels under the ticks, each a time within the page's samples.
        const QRegularExpressionMatch shown = range.match(expected);
        QVERIFY(shown.hasMatch());
        int labels = 0;
        for (const QString& line : text.split(u'\n')) {
            const QRegularExpressionMatch time = label.match(line.trimmed());
            if (!time.hasMatch())
                continue;
            ++labels;
            QVERIFY2(time.captured(1).toDouble() >= shown.captured(3).toDouble()
                         && time.captured(1).toDouble() <= shown.captured(4).toDouble(),
                     qPrintable(line + QStringLiteral(" on page ") + QString::number(page)));
        }
        QVERIFY2(labels >= 3, qPrintable(text));
    }
}

QTEST_MAIN(ConverterPagesTest)
#include "tst_converterpages.moc"

// Many captures in one run: failures stay with their capture, the progress
// line counts them, a signal leaves whole documents.

#include "convertertools.h"

#include <csignal>
#include <unistd.h>

using namespace capturefixture;
using namespace convertertools;

class ConverterBatchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void interruptedBatch_data();
    void interruptedBatch();
    void failuresStayLocal_data();
    void failuresStayLocal();
    void progressCountsFailures_data();
    void progressCountsFailures();

private:
    QTemporaryDir dir_;
    QString good_;
};

void ConverterBatchTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

void ConverterBatchTest::interruptedBatch_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("written");    // documents in place before the signal
    QTest::addColumn<bool>("replacing"); // every output exists beforehand
    QTest::addColumn<int>("pages");      // SVG files a capture; 1: a PDF

    QTest::newRow("SIGINT at the first document") << SIGINT << 1 << false << 1;
    QTest::newRow("SIGTERM after 20") << SIGTERM << 20 << false << 1;
    QTest::newRow("SIGHUP after 40") << SIGHUP << 40 << false << 1;
    QTest::newRow("SIGINT after 20, replacing") << SIGINT << 20 << true << 1;
    QTest::newRow("SIGTERM after 40 page files") << SIGTERM << 40 << false << 8;
    QTest::newRow("SIGINT after 40 page files, replacing") << SIGINT << 40 << true << 8;
}

// A batch ended by a signal ends by that signal and leaves whole documents
// (or the files that were there) and no temporary file.
void ConverterBatchTest::interruptedBatch()
{
    QFETCH(int, signal);
    QFETCH(int, written);
    QFETCH(bool, replacing);
    QFETCH(int, pages);

    constexpr int captures = 300;
    const QByteArray end = pages > 1 ? "</svg>\n" : "%%EOF\n";
    QTemporaryDir here;
    const QString out = here.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const QByteArray capture = captureText(moving());
    const QByteArray earlier = "an earlier file\n";
    QStringList arguments;
    for (int i = 0; i < captures; ++i) {
        const QString name = QStringLiteral("run%1").arg(i, 3, 10, QLatin1Char('0'));
        arguments << writeBytes(here, name + QStringLiteral(".csv"), capture);
        for (int k = 1; replacing && k <= pages; ++k) {
            const QString file = pages > 1 ? QStringLiteral("%1-%2.svg").arg(name).arg(k)
                                           : name + QStringLiteral(".pdf");
            QVERIFY(writeBytes(out + QLatin1Char('/') + file, earlier));
        }
    }
    arguments << QStringLiteral("--output-dir") << out << QStringLiteral("--jobs")
              << QStringLiteral("4");
    if (pages > 1)
        arguments << QStringLiteral("--format") << QStringLiteral("svg")
                  << QStringLiteral("--pages") << QString::number(pages);

    const auto documents = [&] {
        int whole = 0;
        for (const QString& name : QDir(out).entryList(QDir::Files))
            whole += contents(out + QLatin1Char('/') + name).endsWith(end);
        return whole;
    };
    QProcess process;
    process.start(QStringLiteral(ZELMAR_PDF), arguments);
    QVERIFY(process.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (documents() < written && clock.elapsed() < 60000)
        QTest::qSleep(5);
    QVERIFY(::kill(pid_t(process.processId()), signal) == 0);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(process.exitCode(), signal);

    // Page files of captures still being written when the signal came are
    // taken back: only whole documents count as kept.
    const int kept = pages > 1 ? 0 : written;
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    QVERIFY(left.size() >= kept);
    int whole = 0;
    QMap<QString, int> pagesOf; // capture -> its page files left
    QMap<QString, int> newOf;   // capture -> those of them written by this run
    for (const QString& name : left) {
        QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
        const QByteArray bytes = contents(out + QLatin1Char('/') + name);
        QVERIFY2(bytes == earlier || bytes.endsWith(end), qPrintable(name));
        whole += bytes != earlier;
        ++pagesOf[name.left(6)];
        newOf[name.left(6)] += bytes != earlier;
    }
    QVERIFY2(whole >= kept && whole < captures * pages, qPrintable(QString::number(whole)));
    // A capture's pages are all there or none of them, and all new or all
    // as they were before.
    for (auto it = pagesOf.cbegin(); it != pagesOf.cend(); ++it) {
        QVERIFY2(it.value() == pages, qPrintable(it.key()));
        QVERIFY2(newOf[it.key()] == 0 || newOf[it.key()] == pages, qPrintable(it.key()));
    }
}

void ConverterBatchTest::failuresStayLocal_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("jobs");
    QTest::addColumn<int>("bad"); // captures that cannot be printed, one to three
    for (const char* mode : {"beside", "folder", "combine"})
        for (const char* jobs : {"1", "2"})
            for (const int bad : {1, 3})
                QTest::addRow("%s, %s jobs, %d bad", mode, jobs, bad) << mode << jobs << bad;
}

void ConverterBatchTest::failuresStayLocal()
{
    QFETCH(QString, mode);
    QFETCH(QString, jobs);
    QFETCH(int, bad);

    QTemporaryDir here;
    CaptureRecipe letter = moving();
    letter.fields[{9, 3}] = "x";
    CaptureRecipe noKey = moving();
    noKey.header[0] = "zelmarprogramversion,2.31";
    QStringList captures{
        writeCapture(here, QStringLiteral("one.csv"), moving()),
        writeCapture(here, QStringLiteral("letter.csv"), letter),
        writeCapture(here, QStringLiteral("two.csv"), counterExample()),
        here.filePath(QStringLiteral("device.csv")), // never read: it would wait for ever
        writeCapture(here, QStringLiteral("nokey.csv"), noKey),
        here.filePath(QStringLiteral("missing.csv")),
        writeCapture(here, QStringLiteral("three.csv"), serialExample()),
    };
    const QStringList good{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), here.filePath(QStringLiteral("device.csv"))));
    QStringList failing{QStringLiteral("letter"), QStringLiteral("device"), QStringLiteral("nokey"),
                        QStringLiteral("missing")};
    // Beside the captures, a device is a usage error before any is read.
    if (mode == QLatin1String("beside"))
        failing.removeAll(QStringLiteral("device"));
    for (const QString& spared : failing.mid(bad) + QStringList{QStringLiteral("device")})
        if (!failing.mid(0, bad).contains(spared))
            captures.removeAll(here.filePath(spared + QStringLiteral(".csv")));
    failing = failing.mid(0, bad);

    QStringList destination;
    QString folder = here.path();
    if (mode == QLatin1String("folder")) {
        folder = here.filePath(QStringLiteral("out/pages"));
        destination = {QStringLiteral("--output-dir"), folder};
    } else if (mode == QLatin1String("combine")) {
        destination = {QStringLiteral("--combine"), here.filePath(QStringLiteral("all.pdf"))};
    }
    const qsizetype before = QDir(here.path()).entryList(QDir::Files | QDir::Hidden).size();
    const Result result =
        convert(captures + destination + QStringList{QStringLiteral("--jobs"), jobs});
    QCOMPARE(result.exitCode, 1);

    // One line per failed capture, in the order given, naming where.
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), mode == QLatin1String("combine") ? bad + 1 : bad);
    for (int i = 0; i < failing.size(); ++i)
        QVERIFY2(lines[i].contains(failing[i] + QStringLiteral(".csv")), qPrintable(result.err));
    QVERIFY2(lines[0].contains(QStringLiteral("line 15"))
                 && lines[0].contains(QStringLiteral("field 4")),
             qPrintable(lines[0]));

    if (mode == QLatin1String("combine")) {
        QVERIFY2(lines[bad].contains(QStringLiteral("all.pdf: not written, as %1 of %2 captures")
                                         .arg(bad)
                                         .arg(captures.size())),
                 qPrintable(lines[bad]));
        QVERIFY(!QFile::exists(here.filePath(QStringLiteral("all.pdf"))));
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden).size(), before);
        return;
    }
    for (const QString& name : good)
        QVERIFY2(contents(QDir(folder).filePath(name + QStringLiteral(".pdf"))).startsWith("%PDF-"),
                 qPrintable(name));
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden).size(),
             good.size());
}

void ConverterBatchTest::progressCountsFailures_data()
{
    QTest::addColumn<int>("bad");
    QTest::newRow("none failed") << 0;
    QTest::newRow("two failed") << 2;
}

void ConverterBatchTest::progressCountsFailures()
{
    QFETCH(int, bad);
    QTemporaryDir here;
    ConverterOptions options;
    options.captures = {good_, writeCapture(here, QStringLiteral("other.csv"), moving())};
    for (int i = 0; i < bad; ++i)
        options.captures << here.filePath(QStringLiteral("missing%1.csv").arg(i));
    options.outputDir = here.filePath(QStringLiteral("out"));
    options.jobs = 2;
    QString text;
    QTextStream err(&text);
    QCOMPARE(runConverter(options, err, true), bad == 0 ? 0 : 1);
    err.flush();

    // The line is redrawn after carriage returns: the last drawing stays.
    const QString last = text.split(u'\r').last().trimmed();
    const QString total = QString::number(options.captures.size());
    QVERIFY2(last.startsWith(total + u'/' + total + QStringLiteral(" captures, ")),
             qPrintable(last));
    QVERIFY2(last.contains(QStringLiteral("failed")) == (bad > 0), qPrintable(last));
    if (bad > 0)
        QVERIFY2(last.contains(QStringLiteral(", %1 failed, ").arg(bad)), qPrintable(last));
}

QTEST_MAIN(ConverterBatchTest)
#include "tst_converterbatch.moc"

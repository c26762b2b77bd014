// Where zelmar-pdf writes: the destination and format options, and the
// targets it refuses.

#include "convertertools.h"
#include "util/fault.h"

#include <QDirIterator>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

using namespace capturefixture;
using namespace convertertools;

class ConverterOutputsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void neverWritesOverItsCapture_data();
    void neverWritesOverItsCapture();
    void clashingTargetsAreRefused_data();
    void clashingTargetsAreRefused();
    void batchArguments_data();
    void batchArguments();
    void linksAlongTheOutputPath_data();
    void linksAlongTheOutputPath();

private:
    QTemporaryDir dir_;
    QString good_;
};

void ConverterOutputsTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

void ConverterOutputsTest::neverWritesOverItsCapture_data()
{
    QTest::addColumn<QString>("spelling");
    QTest::newRow("same path") << QStringLiteral("%1/self.csv");
    QTest::newRow("other spelling") << QStringLiteral("%1/./sub/../self.csv");
    QTest::newRow("through a linked folder") << QStringLiteral("%1/link/self.csv");
}

void ConverterOutputsTest::neverWritesOverItsCapture()
{
    QFETCH(QString, spelling);
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(QFile::link(here.path(), here.filePath(QStringLiteral("link"))));
    const QString capture = writeCapture(here, QStringLiteral("self.csv"), moving());
    const QByteArray before = contents(capture);

    // --format, as a .csv names no format of its own.
    const Result result = convert({capture, QStringLiteral("-o"), spelling.arg(here.path()),
                                   QStringLiteral("--format"), QStringLiteral("pdf")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("capture file itself")), qPrintable(result.err));
    QCOMPARE(contents(capture), before);
}

void ConverterOutputsTest::clashingTargetsAreRefused_data()
{
    // Paths inside a fresh folder holding a/x.csv, a/x.txt, b/x.csv, a/sub,
    // link -> a and down -> a/sub.
    QTest::addColumn<QStringList>("captures");
    QTest::addColumn<QString>("outputDir"); // none: beside each capture
    QTest::addColumn<QString>("target");    // named in the message
    QTest::newRow("same name in two folders") << QStringList{"a/x.csv", "b/x.csv"} << "out"
                                              << "out/x.pdf";
    QTest::newRow("same capture twice") << QStringList{"a/x.csv", "a/x.csv"} << ""
                                        << "a/x.pdf";
    QTest::newRow("same capture twice, spelt two ways")
        << QStringList{"b/x.csv", "a/../b/x.csv"} << ""
        << "a/../b/x.pdf";
    QTest::newRow("one folder through a link") << QStringList{"a/x.csv", "link/x.txt"} << ""
                                               << "link/x.pdf";
    QTest::newRow("back out of a link") << QStringList{"a/x.csv", "down/../x.txt"} << ""
                                        << "down/../x.pdf";
}

void ConverterOutputsTest::clashingTargetsAreRefused()
{
    QFETCH(QStringList, captures);
    QFETCH(QString, outputDir);
    QFETCH(QString, target);

    QTemporaryDir here;
    const QDir root(here.path());
    QVERIFY(root.mkpath(QStringLiteral("a/sub")) && root.mkdir(QStringLiteral("b")));
    QVERIFY(QFile::link(here.filePath(QStringLiteral("a")), here.filePath(QStringLiteral("link"))));
    QVERIFY(
        QFile::link(here.filePath(QStringLiteral("a/sub")), here.filePath(QStringLiteral("down"))));
    for (const char* name : {"a/x.csv", "a/x.txt", "b/x.csv"})
        QVERIFY(!writeCapture(here, QString::fromLatin1(name), moving()).isEmpty());
    QStringList arguments;
    for (const QString& capture : captures)
        arguments << here.filePath(capture);
    if (!outputDir.isEmpty())
        arguments << QStringLiteral("--output-dir") << here.filePath(outputDir);

    for (const char* jobs : {"1", "2"}) {
        const Result result = convert(arguments + QStringList{QStringLiteral("--jobs"), jobs});
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(QStringLiteral(" would both be written to ")
                                     + here.filePath(target)),
                 qPrintable(result.err));
        QDirIterator left(here.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
        int entries = 0;
        while (left.hasNext()) {
            left.next();
            ++entries;
        }
        QCOMPARE(entries, 8); // nothing written, no folder made
    }
}

void ConverterOutputsTest::batchArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<int>("captures");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("outputDir");
    QTest::addColumn<QString>("combine");
    QTest::addColumn<int>("format"); // -1: a value change dump
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("jobs"); // 0: the default, one per core

    const int pdf = int(OutputFormat::Pdf), svg = int(OutputFormat::Svg),
              png = int(OutputFormat::Png), vcd = -1;
    const auto row = [](const char* name, const QStringList& args) -> QTestData& {
        return QTest::newRow(name) << args;
    };
    row("one capture, beside it", {"a.csv"}) << true << 1 << ""
                                             << ""
                                             << "" << pdf << 150 << 0;
    row("many, beside them", {"a.csv", "b.csv", "c.csv"}) << true << 3 << ""
                                                          << ""
                                                          << "" << pdf << 150 << 0;
    row("standard output", {"a.csv", "-o", "-"}) << true << 1 << "-"
                                                 << ""
                                                 << "" << pdf << 150 << 0;
    row("svg from -o", {"a.csv", "-o", "a.SVG"}) << true << 1 << "a.SVG"
                                                 << ""
                                                 << "" << svg << 150 << 0;
    row("png from -o", {"a.csv", "-o", "a.png"}) << true << 1 << "a.png"
                                                 << ""
                                                 << "" << png << 150 << 0;
    row("no extension: pdf", {"a.csv", "-o", "out/a"}) << true << 1 << "out/a"
                                                       << ""
                                                       << "" << pdf << 150 << 0;
    row("other extension with --format", {"a.csv", "-o", "a.jpg", "--format", "png"})
        << true << 1 << "a.jpg"
        << ""
        << "" << png << 150 << 0;
    row("--format wins", {"a.csv", "-o", "a.pdf", "--format", "png", "--dpi", "1200"})
        << true << 1 << "a.pdf"
        << ""
        << "" << png << 1200 << 0;
    row("folder, svg", {"a.csv", "b.csv", "--output-dir", "d", "--format", "svg"})
        << true << 2 << ""
        << "d"
        << "" << svg << 150 << 0;
    row("combine", {"a.csv", "b.csv", "--combine", "all.pdf", "--jobs", "3"})
        << true << 2 << ""
        << ""
        << "all.pdf" << pdf << 150 << 3;
    row("combine to standard output", {"a.csv", "--combine", "-", "--jobs", "1"})
        << true << 1 << ""
        << ""
        << "-" << pdf << 150 << 1;
    row("vcd from -o", {"a.csv", "-o", "a.VCD"}) << true << 1 << "a.VCD"
                                                 << ""
                                                 << "" << vcd << 150 << 0;
    row("vcd to a folder", {"a.csv", "--format", "vcd", "--output-dir", "d", "--samples", "1-2"})
        << true << 1 << ""
        << "d"
        << "" << vcd << 150 << 0;
    row("one page to standard output", {"a.csv", "-o", "-", "--format", "svg", "--pages", "1"})
        << true << 1 << "-"
        << ""
        << "" << svg << 150 << 0;
    row("PDF pages to standard output", {"a.csv", "-o", "-", "--pages", "2"})
        << true << 1 << "-"
        << ""
        << "" << pdf << 150 << 0;
    row("combined pages", {"a.csv", "--combine", "all.pdf", "--pages", "2"})
        << true << 1 << ""
        << ""
        << "all.pdf" << pdf << 150 << 0;
    row("lowest dpi", {"a.csv", "--format", "png", "--dpi", "10"}) << true << 1 << ""
                                                                   << ""
                                                                   << "" << png << 10 << 0;

    const auto refused = [&](const char* name, const QStringList& args) {
        row(name, args) << false << 0 << ""
                        << ""
                        << "" << 0 << 0 << 0;
    };
    refused("-o and --output-dir", {"a.csv", "-o", "a.pdf", "--output-dir", "d"});
    refused("--combine and --output-dir", {"a.csv", "--combine", "all.pdf", "--output-dir", "d"});
    refused("-o and --combine", {"a.csv", "-o", "a.pdf", "--combine", "all.pdf"});
    refused("-o - for two", {"a.csv", "b.csv", "-o", "-"});
    refused("combined svg", {"a.csv", "--combine", "all.pdf", "--format", "svg"});
    refused("unknown format", {"a.csv", "--format", "jpeg"});
    refused("extension of no format", {"a.csv", "-o", "a.jpg"});
    refused("another extension", {"a.csv", "-o", "a.out"});
    refused("binder with an extension of no format", {"a.csv", "--combine", "all.out"});
    refused("binder named .svg", {"a.csv", "--combine", "all.svg"});
    refused("empty folder", {"a.csv", "--output-dir", ""});
    refused("empty binder", {"a.csv", "--combine", ""});
    refused("dpi below 10", {"a.csv", "--format", "png", "--dpi", "9"});
    refused("dpi above 1200", {"a.csv", "--format", "png", "--dpi", "1201"});
    refused("dpi not a number", {"a.csv", "--format", "png", "--dpi", "150dpi"});
    refused("no jobs", {"a.csv", "--jobs", "0"});
    refused("SVG pages to standard output",
            {"a.csv", "-o", "-", "--format", "svg", "--pages", "2"});
    refused("PNG pages to standard output",
            {"a.csv", "-o", "-", "--format", "png", "--pages", "3"});
    refused("combined dump", {"a.csv", "--combine", "all.pdf", "--format", "vcd"});
    refused("binder named .vcd", {"a.csv", "--combine", "all.vcd"});
    refused("jobs twice", {"a.csv", "--jobs", "1", "--jobs", "2"});
    refused("dpi with a blank", {"a.csv", "--format", "png", "--dpi", " 150"});
    refused("jobs with a sign", {"a.csv", "--jobs", "+2"});
}

void ConverterOutputsTest::batchArguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, runs);
    QFETCH(int, captures);
    QFETCH(QString, output);
    QFETCH(QString, outputDir);
    QFETCH(QString, combine);
    QFETCH(int, format);
    QFETCH(int, dpi);
    QFETCH(int, jobs);

    const ParsedArguments parsed = parseArguments(QStringList{QStringLiteral("zelmar-pdf")} + args);
    QCOMPARE(parsed.action == Action::Run, runs);
    if (!runs) {
        QCOMPARE(int(parsed.action), int(Action::UsageError));
        QVERIFY2(plainLine(parsed.error), qPrintable(escapedText(parsed.error)));
        return;
    }
    const ConverterOptions& o = parsed.options;
    QCOMPARE(o.captures.size(), captures);
    QCOMPARE(o.output, output);
    QCOMPARE(o.outputDir, outputDir);
    QCOMPARE(o.combine, combine);
    QCOMPARE(o.format == OutputFormat::Vcd ? -1 : int(o.format), format);
    QCOMPARE(o.dpi, dpi);
    QCOMPARE(o.jobs, jobs > 0 ? jobs : std::max(1, QThread::idealThreadCount()));
}

void ConverterOutputsTest::linksAlongTheOutputPath_data()
{
    QTest::addColumn<QStringList>("destination"); // LINK: a link to a folder, in another folder
    QTest::addColumn<int>("linkOwner");           // 0: the user, 1: another user, 2: folder owner
    QTest::addColumn<int>("mode");                // of the folder holding the link
    const std::pair<const char*, QStringList> destinations[] = {
        {"-o", {"-o", "LINK/run.pdf"}},
        {"--output-dir", {"--output-dir", "LINK"}},
        {"--output-dir made", {"--output-dir", "LINK/new/sub"}},
        {"--combine", {"--combine", "LINK/all.pdf"}},
        {"page files", {"-o", "LINK/run.svg", "--format", "svg", "--pages", "2"}},
    };
    for (const auto& [name, destination] : destinations) {
        QTest::addRow("%s, another user's link, sticky", name) << destination << 1 << 01777;
        QTest::addRow("%s, own link, sticky", name) << destination << 0 << 01777;
        QTest::addRow("%s, folder owner's link, sticky", name) << destination << 2 << 01777;
        QTest::addRow("%s, another user's link, ordinary", name) << destination << 1 << 0755;
    }
}

// Another user's link in a shared folder is refused wherever it is on the way.
void ConverterOutputsTest::linksAlongTheOutputPath()
{
    QFETCH(QStringList, destination);
    QFETCH(int, linkOwner);
    QFETCH(int, mode);
    if (::geteuid() != 0)
        QSKIP("only root can make links that belong to another user");
    QTemporaryDir here;
    const QString shared = here.filePath(QStringLiteral("shared"));
    const QString victims = here.filePath(QStringLiteral("victims"));
    QVERIFY(QDir().mkpath(shared) && QDir().mkpath(victims));
    const uid_t owners[] = {0, 65534, 65533};
    QVERIFY(::chmod(qPrintable(shared), mode_t(mode)) == 0
            && ::chown(qPrintable(shared), owners[2], owners[2]) == 0);
    const QString link = shared + QStringLiteral("/x");
    QVERIFY(QFile::link(victims, link));
    QVERIFY(::lchown(qPrintable(link), owners[linkOwner], owners[linkOwner]) == 0);

    const Result result =
        convert(QStringList{good_} + destination.replaceInStrings(QStringLiteral("LINK"), link));
    if (linkOwner == 1 && mode == 01777) {
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(QStringLiteral("not followed")) && result.err.contains(link),
                 qPrintable(result.err));
        QVERIFY(QDir(victims).isEmpty());
    } else {
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY(!QDir(victims).isEmpty());
    }
}

QTEST_MAIN(ConverterOutputsTest)
#include "tst_converteroutputs.moc"

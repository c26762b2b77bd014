// What the converter needs around it: no display, no page font, fonts found
// either way, and the date reproducible builds fix.

#include "convertertools.h"

#include <QStandardPaths>

using namespace capturefixture;
using namespace convertertools;

class ConverterEnvironmentTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void helpAndVersion_data();
    void helpAndVersion();
    void runsWithoutAPlatformSet();
    void answersBeforeAnyPlatform_data();
    void answersBeforeAnyPlatform();
    void sourceDateEpoch_data();
    void sourceDateEpoch();
    void soundWithoutThePageFont_data();
    void soundWithoutThePageFont();
    void sameBytesHoweverFontsAreFound_data();
    void sameBytesHoweverFontsAreFound();

private:
    QTemporaryDir dir_;
    QString good_;
};

void ConverterEnvironmentTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    good_ = writeCapture(dir_, QStringLiteral("good.csv"), moving());
    QVERIFY(!good_.isEmpty());
    QVERIFY(QFile::exists(QStringLiteral(ZELMAR_PDF)));
}

void ConverterEnvironmentTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("shows"); // on standard output, or error when the exit is not 0
    const QString pdf = QStringLiteral(ZELMAR_PDF);
    const QString desktop = QStringLiteral(ZELMAR_DESKTOP);
    QTest::newRow("--help") << pdf << QStringList{"--help"} << 0
                            << QStringList{"zelmar-pdf",      "-o",
                                           "--channels",      "--tick-marks",
                                           "--no-tick-marks", "--resolution",
                                           "--unit",          "--heading"};
    QTest::newRow("-h") << pdf << QStringList{"-h"} << 0 << QStringList{"--channels"};
    QTest::newRow("--help-all") << pdf << QStringList{"--help-all"} << 0
                                << QStringList{"--channels"};
    QTest::newRow("--version") << pdf << QStringList{"--version"} << 0
                               << QStringList{"zelmar-pdf 1.0.0"};
    // The desktop program answers these before it needs a display.
    QTest::newRow("desktop --help")
        << desktop << QStringList{"--help"} << 0 << QStringList{"zelmar", "--version", "capture"};
    QTest::newRow("desktop -h") << desktop << QStringList{"-h"} << 0 << QStringList{"capture"};
    QTest::newRow("desktop --version")
        << desktop << QStringList{"--version"} << 0 << QStringList{"zelmar 1.0.0"};
    QTest::newRow("desktop, two captures")
        << desktop << QStringList{"a.csv", "b.csv"} << 2 << QStringList{"more than one capture"};
    QTest::newRow("desktop, unknown option")
        << desktop << QStringList{"--landscape"} << 1 << QStringList{"landscape"};
}

void ConverterEnvironmentTest::helpAndVersion()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, shows);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(30000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(err));
    if (exitCode == 0)
        QVERIFY2(err.isEmpty(), qPrintable(err));
    for (const QString& text : shows)
        QVERIFY2((exitCode == 0 ? out : err).contains(text), qPrintable(out + err));
}

void ConverterEnvironmentTest::runsWithoutAPlatformSet()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const QString out = dir_.filePath(QStringLiteral("headless.pdf"));
    const Result result = convert({good_, QStringLiteral("-o"), out}, environment);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));
    QVERIFY(contents(out).startsWith("%PDF-"));
}

// Under a platform that does not exist, making the GUI application ends the
// program: whatever finishes was answered without it.
void ConverterEnvironmentTest::answersBeforeAnyPlatform_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QStringList>("arguments"); // CAPTURE: a good capture; FOLDER: a new folder
    QTest::addColumn<int>("exitCode");          // -1: ended by the missing platform
    QTest::addColumn<QString>("shows"); // on standard output, or error when the exit is not 0

    const QString none = QStringLiteral("doesnotexist");
    QTest::newRow("--version") << none << QStringList{"--version"} << 0 << "zelmar-pdf 1.0.0\n";
    QTest::newRow("--help") << none << QStringList{"--help"} << 0 << "--no-tick-marks";
    QTest::newRow("no capture") << none << QStringList{} << 2 << "no capture file given";
    QTest::newRow("unknown option")
        << none << QStringList{"--landscape", "a.csv"} << 2 << "Unknown option";
    QTest::newRow("bad value") << none << QStringList{"a.csv", "--dpi", "5"} << 2 << "bad --dpi";
    QTest::newRow("the one capture unreadable")
        << none << QStringList{"no-such.csv"} << 1
        << "Cannot open file: No such file or directory (file no-such.csv)";
    QTest::newRow("the application's own option still taken")
        << none << QStringList{"-platform", "offscreen", "--version"} << 0 << "zelmar-pdf 1.0.0\n";
    QTest::newRow("a PDF in the page font alone needs none")
        << none << QStringList{"CAPTURE", "-o", "-"} << 0 << "%PDF-";
    QTest::newRow("text in another font needs the platform")
        << none << QStringList{"CAPTURE", "--heading", "\u03A3\u03AE\u03BC\u03B1", "-o", "-"} << -1
        << "";
    QTest::newRow("SVG needs the platform")
        << none << QStringList{"CAPTURE", "--format", "svg", "-o", "-"} << -1 << "";
    QTest::newRow("the first capture unreadable, the next drawn")
        << QStringLiteral("offscreen")
        << QStringList{"no-such.csv", "CAPTURE", "--output-dir", "FOLDER"} << 1 << "no-such.csv";
}

void ConverterEnvironmentTest::answersBeforeAnyPlatform()
{
    QFETCH(QString, platform);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, shows);
    QTemporaryDir folder;
    arguments.replaceInStrings(QStringLiteral("CAPTURE"), good_);
    arguments.replaceInStrings(QStringLiteral("FOLDER"), folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    const Result result = convert(arguments, environment);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    if (exitCode == 0)
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    QVERIFY2((exitCode == 0 ? result.out : result.err).contains(shows),
             qPrintable(result.out + result.err));
}

void ConverterEnvironmentTest::sourceDateEpoch_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("date"); // as pdfinfo shows it; empty: today's
    QTest::newRow("set") << "1700000000" << 0 << "Tue Nov 14 22:13:20 2023 UTC";
    QTest::newRow("the last second of 9999")
        << "253402300799" << 0 << "Fri Dec 31 23:59:59 9999 UTC";
    QTest::newRow("empty, as unset") << "" << 0 << "";
    QTest::newRow("not a number") << "abc" << 2 << "";
    QTest::newRow("negative") << "-5" << 2 << "";
    QTest::newRow("past 9999") << "253402300800" << 2 << "";
    QTest::newRow("past 64 bits") << "99999999999999999999" << 2 << "";
    QTest::newRow("space before") << " 5" << 2 << "";
    QTest::newRow("fraction") << "5.5" << 2 << "";
}

void ConverterEnvironmentTest::sourceDateEpoch()
{
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QFETCH(QString, date);
    QTemporaryDir here;
    const QString out = here.filePath(QStringLiteral("page.pdf"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), value);
    const Result result = convert({good_, QStringLiteral("-o"), out}, environment);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    if (exitCode != 0) {
        QVERIFY2(result.err.count(u'\n') == 1
                     && result.err.contains(QStringLiteral("SOURCE_DATE_EPOCH")),
                 qPrintable(result.err));
        QVERIFY(QDir(here.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        return;
    }
    QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    const QByteArray info = poppler::info(out);
    const QByteArray shown = date.isEmpty()
                                 ? QDateTime::currentDateTimeUtc().toString(u"yyyy UTC").toLatin1()
                                 : date.toLatin1();
    QVERIFY2(info.contains("CreationDate:    ") && info.contains(shown), info.constData());
}

void ConverterEnvironmentTest::soundWithoutThePageFont_data()
{
    QTest::addColumn<QString>("fonts"); // the only font folder fontconfig sees
    QTest::addColumn<QString>("shown"); // text the page must show; empty: none
    QTest::newRow("no fonts at all") << QString() << QString();
    // Outlines as CFF, not TrueType: the engine draws the text.
    QTest::newRow("OpenType fonts with CFF outlines") << "/usr/share/fonts/opentype/urw-base35"
                                                      << "Tick frequency:10 samples";
}

// The page font cannot be embedded; the document names no font it lacks.
void ConverterEnvironmentTest::soundWithoutThePageFont()
{
    QFETCH(QString, fonts);
    QFETCH(QString, shown);
    if (!poppler::available() || QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        QFAIL("poppler-utils and qpdf are needed to check the PDF: make test installs them");
    QTemporaryDir here;
    if (!fonts.isEmpty() && QDir(fonts).isEmpty())
        QSKIP("no CFF fonts here (fonts-urw-base35)");
    const QString folder = fonts.isEmpty() ? here.path() : fonts;
    QVERIFY(writeBytes(here.filePath(QStringLiteral("fonts.conf")),
                       QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig><dir>%1</dir>"
                                      "<cachedir>%2</cachedir></fontconfig>\n")
                           .arg(folder, here.filePath(QStringLiteral("cache")))
                           .toUtf8()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FONTCONFIG_FILE"),
                       here.filePath(QStringLiteral("fonts.conf")));
    const QString out = here.filePath(QStringLiteral("page.pdf"));
    const Result result = convert({good_, QStringLiteral("-o"), out}, environment);
    QVERIFY2(result.exitCode == 0, qPrintable(result.err));

    QProcess listing;
    listing.start(QStringLiteral("pdffonts"), {out});
    QVERIFY(listing.waitForFinished(60000));
    const QByteArray complaints = listing.readAllStandardError();
    QVERIFY2(listing.exitCode() == 0 && complaints.isEmpty(), complaints.constData());
    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), out});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
    if (!shown.isEmpty())
        QVERIFY2(poppler::text(out).contains(shown), qPrintable(poppler::text(out)));
}

void ConverterEnvironmentTest::sameBytesHoweverFontsAreFound_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("second"); // how the second run finds its fonts
    const QStringList heading{"--heading", "\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C", "--pages",
                              "2"};
    QTest::newRow("page font, GUI first") << QStringList{} << "-platform";
    QTest::newRow("Greek and CJK, GUI first") << heading << "-platform";
    QTest::newRow("page font through fontconfig") << QStringList{} << "FONTCONFIG_FILE";
    QTest::newRow("Greek and CJK through fontconfig") << heading << "FONTCONFIG_FILE";
}

// The page font read from its file, with the GUI application made only when
// text needs it, gives the bytes Qt's fonts give with the application first.
void ConverterEnvironmentTest::sameBytesHoweverFontsAreFound()
{
    QFETCH(QStringList, options);
    QFETCH(QString, second);
    QTemporaryDir here;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1700000000"));
    environment.remove(QStringLiteral("FONTCONFIG_FILE"));
    const QString plain = here.filePath(QStringLiteral("plain.pdf"));
    const QString other = here.filePath(QStringLiteral("other.pdf"));
    QCOMPARE(
        convert(QStringList{good_, QStringLiteral("-o"), plain} + options, environment).exitCode,
        0);
    QStringList arguments{good_, QStringLiteral("-o"), other};
    if (second == QLatin1String("-platform"))
        arguments << QStringLiteral("-platform") << QStringLiteral("offscreen");
    else
        environment.insert(second, QStringLiteral("/etc/fonts/fonts.conf"));
    QCOMPARE(convert(arguments + options, environment).exitCode, 0);
    QVERIFY(contents(plain) == contents(other));
}

QTEST_MAIN(ConverterEnvironmentTest)
#include "tst_converterenvironment.moc"

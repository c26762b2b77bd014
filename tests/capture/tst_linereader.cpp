#include "capture/linereader.h"
#include "tests/support/capturefixture.h"
#include "util/fault.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using capturefixture::writeBytes;

namespace {

// Every line of the file, then the fault of the read past the end.
QStringList readAll(const QString& path, Fault* pastEnd)
{
    LineReader reader(path);
    QStringList lines;
    for (;;) {
        try {
            lines << reader.readLine();
            if (reader.lineNumber() != lines.size())
                return {QStringLiteral("line number %1 after %2 lines")
                            .arg(reader.lineNumber())
                            .arg(lines.size())};
        } catch (const Fault& fault) {
            *pastEnd = fault;
            return lines;
        }
    }
}

} // namespace

class TestLineReader : public QObject {
    Q_OBJECT

private slots:
    void terminators_data();
    void terminators();
    void chunkBoundary_data();
    void chunkBoundary();
    void decoding_data();
    void decoding();
    void decodingIsPerLine();
    void cannotOpen_data();
    void cannotOpen();
    void closedOnEveryWayOut();
    void boundedInput_data();
    void boundedInput();

private:
    QTemporaryDir dir_;
};

void TestLineReader::terminators_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd\r\n") << QStringList{"a", "b", "c", "d"};
    QTest::newRow("last line unterminated") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("one lf") << QByteArray("\n") << QStringList{""};
    QTest::newRow("one crlf") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("lf then cr is two") << QByteArray("\n\r") << QStringList{"", ""};
    QTest::newRow("cr cr lf") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("blank lines") << QByteArray("a\n\n\nb\n") << QStringList{"a", "", "", "b"};
    QTest::newRow("blanks kept") << QByteArray("  a , b \t\r\n") << QStringList{"  a , b \t"};
    QTest::newRow("nul kept") << QByteArray("a\0b\n", 4)
                              << QStringList{QString::fromLatin1("a\0b", 3)};
}

void TestLineReader::terminators()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString path = writeBytes(dir_, QStringLiteral("t.csv"), bytes);
    QVERIFY(!path.isEmpty());

    Fault pastEnd(FaultKind::Overflow, {});
    QCOMPARE(readAll(path, &pastEnd), lines);
    QCOMPARE(pastEnd.kind(), FaultKind::InputPastEnd);
    QCOMPARE(pastEnd.file(), path);
    QCOMPARE(pastEnd.line(), lines.size() + 1);
    QVERIFY(pastEnd.message().contains(path));
}

void TestLineReader::chunkBoundary_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    const qsizetype chunk = LineReader::chunkSize;
    const QByteArray fill(chunk - 1, 'a'); // the terminator's first byte ends the chunk
    const QString a = QString(fill);

    QTest::newRow("cr | lf") << fill + "\r\nb\r\n" << QStringList{a, "b"};
    QTest::newRow("cr | text") << fill + "\rb" << QStringList{a, "b"};
    QTest::newRow("cr | cr") << fill + "\r\rb" << QStringList{a, "", "b"};
    QTest::newRow("cr | end of file") << fill + "\r" << QStringList{a};
    QTest::newRow("lf | lf") << fill + "\n\n" << QStringList{a, ""};
    QTest::newRow("line ends chunk") << QByteArray(chunk, 'a') + "\r\n"
                                     << QStringList{QString(QByteArray(chunk, 'a'))};
    QTest::newRow("three chunks long") << QByteArray(3 * chunk + 7, 'b') + "\nc"
                                       << QStringList{QString(QByteArray(3 * chunk + 7, 'b')), "c"};
    // A two-byte UTF-8 character split by the chunk edge still decodes as UTF-8.
    QTest::newRow("utf-8 split") << fill + "\xC3\xA9\n"
                                 << QStringList{a + QString::fromUtf8("\xC3\xA9")};
}

void TestLineReader::chunkBoundary()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString path = writeBytes(dir_, QStringLiteral("chunk.csv"), bytes);
    QVERIFY(!path.isEmpty());

    Fault pastEnd(FaultKind::Overflow, {});
    const QStringList read = readAll(path, &pastEnd);
    QCOMPARE(read.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(read[i] == lines[i], qPrintable(QStringLiteral("line %1 differs").arg(i + 1)));
    QCOMPARE(pastEnd.kind(), FaultKind::InputPastEnd);
    QCOMPARE(pastEnd.line(), lines.size() + 1);
}

void TestLineReader::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QByteArray("CLK,DATA") << QStringLiteral("CLK,DATA");
    QTest::newRow("utf-8 e acute") << QByteArray("caf\xC3\xA9") << QStringLiteral(u"caf\u00E9");
    QTest::newRow("utf-8 euro") << QByteArray("\xE2\x82\xAC") << QStringLiteral(u"\u20AC");
    QTest::newRow("utf-8 4 bytes")
        << QByteArray("\xF0\x9F\x98\x80") << QString::fromUcs4(U"\U0001F600", 1);
    QTest::newRow("1252 e acute") << QByteArray("caf\xE9") << QStringLiteral(u"caf\u00E9");
    QTest::newRow("1252 euro") << QByteArray("\x80") << QStringLiteral(u"\u20AC");
    QTest::newRow("1252 quotes") << QByteArray("\x93x\x94") << QStringLiteral(u"\u201Cx\u201D");
    QTest::newRow("1252 dashes") << QByteArray("\x96\x97\x85")
                                 << QStringLiteral(u"\u2013\u2014\u2026");
    QTest::newRow("1252 9F") << QByteArray("\x9F") << QStringLiteral(u"\u0178");
    QTest::newRow("1252 unassigned")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D");
    QTest::newRow("1252 degree") << QByteArray("25\xB0"
                                               "C")
                                 << QStringLiteral(u"25\u00B0C");
    QTest::newRow("overlong is 1252") << QByteArray("\xC0\xAF") << QStringLiteral(u"\u00C0\u00AF");
    QTest::newRow("surrogate is 1252")
        << QByteArray("\xED\xA0\x80") << QStringLiteral(u"\u00ED\u00A0\u20AC");
    QTest::newRow("above 10FFFF is 1252")
        << QByteArray("\xF4\x90\x80\x80") << QStringLiteral(u"\u00F4\u0090\u20AC\u20AC");
    QTest::newRow("overlong 3 bytes is 1252")
        << QByteArray("\xE0\x9F\xBF") << QStringLiteral(u"\u00E0\u0178\u00BF");
    QTest::newRow("F5 lead is 1252")
        << QByteArray("\xF5\x80\x80\x80") << QStringLiteral(u"\u00F5\u20AC\u20AC\u20AC");
    QTest::newRow("cut sequence is 1252") << QByteArray("x\xC3") << QStringLiteral(u"x\u00C3");
    QTest::newRow("stray continuation") << QByteArray("\xA9") << QStringLiteral(u"\u00A9");
    QTest::newRow("valid then invalid")
        << QByteArray("\xC3\xA9\xE9") << QStringLiteral(u"\u00C3\u00A9\u00E9");
}

void TestLineReader::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeCaptureBytes(bytes), text);

    const QString path = writeBytes(dir_, QStringLiteral("d.csv"), bytes + "\r\n");
    QVERIFY(!path.isEmpty());
    LineReader reader(path);
    QCOMPARE(reader.readLine(), text);
}

void TestLineReader::decodingIsPerLine()
{
    const QString path =
        writeBytes(dir_, QStringLiteral("mixed.csv"), "caf\xC3\xA9\r\ncaf\xE9\r\n\xC3\xA9\r\n");
    LineReader reader(path);
    QCOMPARE(reader.readLine(), QStringLiteral(u"caf\u00E9"));
    QCOMPARE(reader.readLine(), QStringLiteral(u"caf\u00E9"));
    QCOMPARE(reader.readLine(), QStringLiteral(u"\u00E9"));
}

void TestLineReader::cannotOpen_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << dir_.filePath(QStringLiteral("nothing here.csv"));
    QTest::newRow("folder") << dir_.path();
    QTest::newRow("empty path") << QString();
    const QString fifo = dir_.filePath(QStringLiteral("no writer"));
    if (!QFileInfo::exists(fifo))
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QTest::newRow("pipe without a writer") << fifo;
    // Never opened: some devices wait, or act, on an open.
    QTest::newRow("endless zeros") << QStringLiteral("/dev/zero");
    const QString terminal = dir_.filePath(QStringLiteral("terminal.csv"));
    if (!QFileInfo(terminal).isSymLink())
        QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), terminal));
    QTest::newRow("link to a terminal") << terminal;
}

void TestLineReader::cannotOpen()
{
    QFETCH(QString, path);
    const int before = capturefixture::openFileCount();
    try {
        LineReader reader(path);
        QFAIL("opened");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::CannotOpenFile);
        QCOMPARE(fault.file(), path);
        QVERIFY(!fault.detail().isEmpty());
    }
    QCOMPARE(capturefixture::openFileCount(), before);
}

void TestLineReader::closedOnEveryWayOut()
{
    const QString path = writeBytes(dir_, QStringLiteral("c.csv"), "a\r\nb\r\n");
    const int before = capturefixture::openFileCount();
    if (before < 0)
        QSKIP("no /proc/self/fd here");
    {
        LineReader reader(path);
        reader.readLine();
        QCOMPARE(capturefixture::openFileCount(), before + 1);
    }
    QCOMPARE(capturefixture::openFileCount(), before);
    try {
        LineReader reader(path);
        for (;;)
            reader.readLine();
    } catch (const Fault&) {
    }
    QCOMPARE(capturefixture::openFileCount(), before);
}

void TestLineReader::boundedInput_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("pipe");     // through a named pipe, read once
    QTest::addColumn<int>("lines");     // to read
    QTest::addColumn<int>("faultLine"); // 0: all read

    const QByteArray longest(LineReader::maxLineBytes, 'a');
    const QString longestFile =
        writeBytes(dir_, QStringLiteral("longest.csv"), "x\n" + longest + "\r\ny");
    const QString longerFile =
        writeBytes(dir_, QStringLiteral("longer.csv"), "x\n" + longest + "a\ny");
    QByteArray lines;
    while (lines.size() <= LineReader::maxReadBytes)
        lines += QByteArray(LineReader::maxLineBytes / 2, 'b') + '\n';
    const QString muchFile = writeBytes(dir_, QStringLiteral("much.csv"), lines);
    for (bool pipe : {false, true}) {
        const char* how = pipe ? ", through a pipe" : "";
        QTest::addRow("longest line%s", how) << longestFile << pipe << 3 << 0;
        QTest::addRow("one byte more%s", how) << longerFile << pipe << 3 << 2;
        if (pipe)
            QTest::addRow("endless zeros%s", how) << QStringLiteral("/dev/zero") << pipe << 1 << 1;
        QTest::addRow("too much in all%s", how) << muchFile << pipe << 40 << 32;
    }
}

void TestLineReader::boundedInput()
{
    QFETCH(QString, path);
    QFETCH(bool, pipe);
    QFETCH(int, lines);
    QFETCH(int, faultLine);
    QProcess writer;
    std::optional<QByteArray> bytes;
    if (pipe) {
        const QString fifo = dir_.filePath(QStringLiteral("fifo"));
        QFile::remove(fifo);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        writer.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QStringLiteral("exec cat \"$0\" > \"$1\""), path,
                      fifo});
        path = fifo;
        bytes = readOnceIfStream(path);
        QVERIFY(bytes);
        QVERIFY(bytes->size() <= LineReader::maxReadBytes);
        writer.kill();
        writer.waitForFinished();
    }
    LineReader reader(path, bytes);
    try {
        for (int k = 0; k < lines; ++k)
            reader.readLine();
        QCOMPARE(faultLine, 0);
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::Overflow);
        QCOMPARE(fault.file(), path);
        QCOMPARE(fault.line(), faultLine);
    }
}

QTEST_GUILESS_MAIN(TestLineReader)
#include "tst_linereader.moc"

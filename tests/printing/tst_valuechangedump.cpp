#include "printing/output/valuechangedump.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <map>

// Reads a dump back as a waveform viewer would, knowing nothing of how it
// was written: the wires by code, and each wire's value at every time.
struct ReadDump {
    QString timescale;
    std::map<QByteArray, QByteArray> names;               // code -> reference
    std::map<QByteArray, std::map<qint64, char>> changes; // code -> time -> value
    qint64 end = -1;

    char valueAt(const QByteArray& code, qint64 time) const
    {
        const auto& wire = changes.at(code);
        auto it = wire.upper_bound(time);
        return it == wire.begin() ? 'x' : std::prev(it)->second;
    }
};

static ReadDump readDump(const QByteArray& dump)
{
    ReadDump read;
    const QList<QByteArray> words = dump.simplified().split(' ');
    qint64 now = -1;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QByteArray& word = words[i];
        if (word == "$timescale") {
            read.timescale = QString::fromLatin1(words[i + 1] + ' ' + words[i + 2]);
        } else if (word == "$var") {
            read.names[words[i + 3]] = words[i + 4];
        } else if (word == "$comment") {
            while (words[i] != "$end")
                ++i;
        } else if (word.startsWith('#')) {
            now = word.mid(1).toLongLong();
            read.end = now;
        } else if (now >= 0 && (word.startsWith('0') || word.startsWith('1'))) {
            read.changes[word.mid(1)][now] = word[0];
        }
    }
    return read;
}

class TestValueChangeDump : public QObject {
    Q_OBJECT
private slots:
    void timescale_data();
    void timescale();
    void readsBackAsTheLevels_data();
    void readsBackAsTheLevels();
};

void TestValueChangeDump::timescale_data()
{
    QTest::addColumn<QString>("resolution");
    QTest::addColumn<int>("unitindex");
    QTest::addColumn<QString>("timescale");
    QTest::addColumn<qint64>("step");
    QTest::newRow("100 ns") << "100" << 0 << "100 ns" << qint64(1);
    QTest::newRow("2.5 us") << "2.5" << 1 << "100 ns" << qint64(25);
    QTest::newRow("1 ms") << "1" << 2 << "1 ms" << qint64(1);
    QTest::newRow("10 ms") << "10" << 2 << "10 ms" << qint64(1);
    QTest::newRow("1000 ms is a second") << "1000" << 2 << "1 s" << qint64(1);
    QTest::newRow("0.001 ns") << "0.001" << 0 << "1 ps" << qint64(1);
    QTest::newRow("1.5 ns") << "1.5" << 0 << "100 ps" << qint64(15);
    QTest::newRow("text after the number") << "20ns" << 0 << "10 ns" << qint64(2);
    QTest::newRow("no unit") << "100" << -1 << "1 ns" << qint64(1);
    QTest::newRow("empty") << "" << 0 << "1 ns" << qint64(1);
    QTest::newRow("zero") << "0" << 0 << "1 ns" << qint64(1);
    QTest::newRow("negative") << "-5" << 0 << "1 ns" << qint64(1);
    QTest::newRow("no number") << "abc" << 1 << "1 ns" << qint64(1);
    QTest::newRow("1.001 ns") << "1.001" << 0 << "1 ps" << qint64(1001);
    QTest::newRow("below a femtosecond, rounded") << "1.0000006" << 0 << "1 fs" << qint64(1000001);
    // 75 minutes a sample in femtoseconds would take times past 64 bits: the
    // period keeps the digits they leave room for, exact to the last.
    QTest::newRow("long period, many digits")
        << "4500000.000001" << 2 << "1 ns" << qint64(4500000000001);
    QTest::newRow("long period, rounded to fewer digits")
        << "4500000.0000000015" << 2 << "1 ps" << qint64(4500000000000002);
}

void TestValueChangeDump::timescale()
{
    QFETCH(QString, resolution);
    QFETCH(int, unitindex);
    const DumpTimescale scale = dumpTimescale(SamplePeriod::read(resolution, unitindex), 2048);
    QTEST(scale.timescale, "timescale");
    QTEST(qint64(scale.step), "step");
    QVERIFY(scale.step <= std::numeric_limits<std::int64_t>::max() / 2048);
}

void TestValueChangeDump::readsBackAsTheLevels_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("references");
    QTest::addColumn<QString>("heading");
    QTest::newRow("whole capture") << 2048 << 0 << 2047 << QStringList{"CLK", "DATA", "RST"}
                                   << QStringList{"CLK", "DATA", "RST"} << "Run 7";
    QTest::newRow("a range, names that clean alike")
        << 2048 << 600 << 900 << QStringList{"a b", "a\tb", "a\001b", "a,b", ""}
        << QStringList{"a_b", "a_b_2", "a_b_3", "a,b", "channel4"} << "Run 7";
    QTest::newRow("one sample, control bytes in the heading")
        << 2048 << 2047 << 2047 << QStringList{"Ωmega", "x$end", "$x", "CS#", "D[7:0]", "a$b/c.d"}
        << QStringList{"_mega", "x_end", "_x", "CS#", "D_7:0_", "a$b/c.d"}
        << QStringView(u"Run\0 7\x1b[2J\x07\x7f\u009b", 13).toString();
    // More wires than one character can tell apart.
    QStringList many;
    for (int c = 0; c < 100; ++c)
        many << QStringLiteral("w%1").arg(c);
    QTest::newRow("100 channels of 50 samples") << 50 << 0 << 49 << many << many << "Run 7";
}

// Every wire holds, at every sample's time, the level the table holds.
void TestValueChangeDump::readsBackAsTheLevels()
{
    QFETCH(int, samples);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, names);
    QFETCH(QStringList, references);
    QFETCH(QString, heading);
    LevelTable levels;
    QRandomGenerator random(7);
    levels.lastslot = qint16(names.size() - 1);
    levels.samplecount = samples;
    for (int slot = 0; slot < names.size(); ++slot) {
        levels.slotnames.push_back(names[slot]);
        levels.channels.push_back(slot);
        // Slot 0 toggles every sample, the others at random, slot 1 stays put.
        std::vector<quint8>& row = levels.levels.emplace_back();
        for (int r = 0; r <= samples; ++r)
            row.push_back(quint8(slot == 0 ? r % 2 : slot == 1 ? 1 : random.bounded(2)));
    }
    PageRequest request;
    request.heading = heading;
    request.period = SamplePeriod::read(QStringLiteral("2.5"), 1);
    request.options.firstsample = first;
    request.options.lastsample = last;
    const QByteArray dump = valueChangeDump(levels, request);
    const ReadDump read = readDump(dump);
    std::map<QByteArray, QByteArray> codeOf; // reference -> code
    for (const auto& [code, reference] : read.names)
        codeOf[reference] = code;
    const auto bit = [&](int slot, int sample) {
        return levels.levels[std::size_t(slot)][std::size_t(sample)] ? '1' : '0';
    };
    QCOMPARE(read.timescale, QStringLiteral("100 ns"));
    QCOMPARE(int(read.names.size()), names.size());
    QCOMPARE(read.end, qint64(last + 1) * 25);
    for (int slot = 0; slot < names.size(); ++slot) {
        const QByteArray code = codeOf[references[slot].toLatin1()];
        QCOMPARE(read.names.at(code), references[slot].toLatin1());
        QVERIFY(code.size() == 1 || slot >= 94);
        for (int sample = first; sample <= last; ++sample) {
            QCOMPARE(read.valueAt(code, qint64(sample) * 25), bit(slot, sample));
        }
        QCOMPARE(read.valueAt(code, qint64(first) * 25 - 1), 'x');
    }
    for (const char c : dump)
        QVERIFY2((uchar(c) >= ' ' && c != 0x7f) || c == '\n', qPrintable(QString::number(c)));

    // And by sigrok, a sample a row.
    const QString sigrok = QStandardPaths::findExecutable(QStringLiteral("sigrok-cli"));
    if (sigrok.isEmpty())
        QSKIP("sigrok-cli is not installed (sh scripts/install-deps.sh installs it)");
    QTemporaryDir here;
    QFile file(here.filePath(QStringLiteral("dump.vcd")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(dump) == dump.size());
    file.close();
    QProcess reader;
    reader.start(sigrok, {"-I", "vcd:downsample=25", "-i", file.fileName(), "-O",
                          "csv:header=false:label=channel:value=\t"});
    QVERIFY(reader.waitForFinished(60000));
    QList<QByteArray> rows = reader.readAllStandardOutput().split('\n');
    rows.removeIf([](const QByteArray& row) { return row.isEmpty() || row.startsWith("META"); });
    QCOMPARE(rows.value(0), references.join(u'\t').toLatin1());
    // Rows from time 0 (this sigrok fills the time before the dump), the
    // samples last.
    const qsizetype before = rows.size() - (last - first + 1);
    QVERIFY2(before >= 1, qPrintable(QString::number(rows.size())));
    for (int sample = first; sample <= last; ++sample) {
        QByteArray expected;
        for (int slot = 0; slot < names.size(); ++slot)
            expected += QByteArray(slot > 0, '\t') + bit(slot, sample);
        QCOMPARE(rows[before + sample - first], expected);
    }
}

QTEST_GUILESS_MAIN(TestValueChangeDump)
#include "tst_valuechangedump.moc"

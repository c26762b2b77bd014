#include "util/basicutilities.h"

#include <QtTest>

using basicutilities::splitpath;

class TestSplitpath : public QObject {
    Q_OBJECT
private slots:
    void modes_data();
    void modes();
    void otherModes_data();
    void otherModes();
    void callerVariable_data();
    void callerVariable();
    void longPath();
};

void TestSplitpath::modes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");

    struct Row {
        const char* path;
        const char* results[6];
    };
    const Row rows[] = {
        {R"(c:\data\run.csv)",
         {"run.csv", "run", "csv", R"(c:\data)", R"(c:\data\run.csv)", R"(c:\data\run)"}},
        {"run.csv", {"run.csv", "run", "csv", "", R"(\run.csv)", R"(\run)"}},
        {R"(c:\data\run)", {"run", "run", "", R"(c:\data)", R"(c:\data\run)", R"(c:\data\run)"}},
        {R"(c:\data\run.tar.gz)",
         {"run.tar", "run", "tar", R"(c:\data)", R"(c:\data\run.tar)", R"(c:\data\run)"}},
        {"run.", {"run.", "run", "", "", R"(\run.)", R"(\run)"}},
        {"c:run.csv", {"c:run.csv", "c:run", "csv", "", R"(\c:run.csv)", R"(\c:run)"}},
        {R"(c:\data\)", {"", "", "", R"(c:\data)", R"(c:\data\)", R"(c:\data\)"}},
        {R"(c:\)", {"", "", "", "c:", R"(c:\)", R"(c:\)"}},
        {".csv", {".csv", "", "csv", "", R"(\.csv)", R"(\)"}},
        {"c:/data/run.csv",
         {"c:datarun.csv", "c:datarun", "csv", "", R"(\c:datarun.csv)", R"(\c:datarun)"}},
        {R"(c:\d*a?t<a\r>u|n.c?s*v)",
         {"run.csv", "run", "csv", R"(c:\data)", R"(c:\data\run.csv)", R"(c:\data\run)"}},
        {R"(  c:\my data\a run.csv  )",
         {"a run.csv", "a run", "csv", R"(c:\my data)", R"(c:\my data\a run.csv)",
          R"(c:\my data\a run)"}},
        {"   ", {"   ", "   ", "", "", "\\   ", "\\   "}},
        {R"(c:\"q"\r:n.c"v)",
         {R"(r:n.c"v)", "r:n", R"(c"v)", R"(c:\"q")", R"(c:\"q"\r:n.c"v)", R"(c:\"q"\r:n)"}},
        // dots in folder names stay in the folder
        {R"(c:\my.data\run.csv)",
         {"run.csv", "run", "csv", R"(c:\my.data)", R"(c:\my.data\run.csv)", R"(c:\my.data\run)"}},
        {R"(c:\a.b.c\run.tar.gz)",
         {"run.tar", "run", "tar", R"(c:\a.b.c)", R"(c:\a.b.c\run.tar)", R"(c:\a.b.c\run)"}},
        {R"(c:\my.data\run)",
         {"run", "run", "", R"(c:\my.data)", R"(c:\my.data\run)", R"(c:\my.data\run)"}},
        {R"(c:\v1.2\)", {"", "", "", R"(c:\v1.2)", R"(c:\v1.2\)", R"(c:\v1.2\)"}},
    };
    for (const Row& r : rows) {
        for (int mode = 0; mode < 6; ++mode) {
            QTest::addRow("%s|%d", r.path, mode)
                << QString::fromUtf8(r.path) << mode << QString::fromUtf8(r.results[mode]);
        }
    }
}

void TestSplitpath::modes()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    QFETCH(QString, expected);

    QCOMPARE(splitpath(path, qint16(mode)), expected);
}

void TestSplitpath::otherModes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");

    for (int mode : {6, -1, 32767, -32768})
        QTest::addRow("run.csv|%d", mode) << "run.csv" << mode;
    for (int mode : {0, 1, 2, 3, 4, 5, 6, -1})
        QTest::addRow("empty|%d", mode) << "" << mode;
}

void TestSplitpath::otherModes()
{
    QFETCH(QString, path);
    QFETCH(int, mode);

    QString variable = path;
    QCOMPARE(splitpath(variable, qint16(mode)), QString());
    QCOMPARE(variable, path.trimmed());
}

void TestSplitpath::callerVariable_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("after");

    QTest::newRow("spaces around") << R"(  c:\my data\run.csv  )" << 3 << R"(c:\my data\run.csv)";
    QTest::newRow("dropped characters stay") << " c:/da*ta\\r?n.csv " << 0 << "c:/da*ta\\r?n.csv";
    QTest::newRow("tab is no space") << "\trun.csv \t" << 1 << "\trun.csv \t";
    QTest::newRow("spaces only") << "   " << 4 << "   ";
    QTest::newRow("unchanged") << "run.csv" << 3 << "run.csv";
    QTest::newRow("unused mode still trims") << " run.csv" << 9 << "run.csv";
}

void TestSplitpath::callerVariable()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    QFETCH(QString, after);

    splitpath(path, qint16(mode));
    QCOMPARE(path, after);
}

// Positions are not limited to 16 bits.
void TestSplitpath::longPath()
{
    const QString folder = QStringLiteral("c:\\") + QString(40000, QLatin1Char('a'));
    QString path = folder + QStringLiteral("\\run.csv");
    QCOMPARE(splitpath(path, 0), QStringLiteral("run.csv"));
    QCOMPARE(splitpath(path, 3), folder);
    QCOMPARE(splitpath(path, 4), path);

    QString noBackslash = QString(40000, QLatin1Char('b')) + QStringLiteral(".x.y");
    QCOMPARE(splitpath(noBackslash, 2), QStringLiteral("x"));
    QCOMPARE(splitpath(noBackslash, 1).size(), 40000);
}

QTEST_GUILESS_MAIN(TestSplitpath)
#include "tst_splitpath.moc"

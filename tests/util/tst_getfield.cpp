#include "util/basicutilities.h"
#include "util/fault.h"

#include <QtTest>

#include <optional>
#include <vector>

using basicutilities::cutFields;
using basicutilities::FieldSpan;
using basicutilities::getfield;

namespace {

template <typename F>
std::optional<FaultKind> faultOf(F&& call)
{
    try {
        call();
    } catch (const Fault& f) {
        return f.kind();
    }
    return std::nullopt;
}

// "x" followed by j repetitions of gap + "x": j + 1 fields.
QString repeated(const QString& lead, const QString& gap, int j)
{
    QString s = lead + QLatin1Char('x');
    s.reserve(s.size() + j * (gap.size() + 1));
    for (int i = 0; i < j; ++i)
        s += gap + QLatin1Char('x');
    return s;
}

} // namespace

class TestGetfield : public QObject {
    Q_OBJECT
private slots:
    void cuts_data();
    void cuts();
    void tableBounds_data();
    void tableBounds();
    void cutfieldsAgrees_data();
    void cutfieldsAgrees();
    void cutfieldsBound();
};

void TestGetfield::cuts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QString>("delimiterAfter");

    struct Row {
        const char* text;
        std::vector<int> ns;
        const char* delimiter;
        std::vector<const char*> results;
    };
    const Row plain[] = {
        {"a,b,,c", {0, 1, 2, 3, 4, 5}, ",", {"4", "a", "b", "", "c", ""}},
        {"a,b,", {0, 2, 3}, ",", {"2", "b", ""}},
        {",a", {0, 1, 2}, ",", {"2", "", "a"}},
        {",", {0, 1, 2}, ",", {"1", "", ""}},
        {"", {0, 1, 2}, ",", {"0", "", ""}},
        {"abc", {0, 1, 2}, ",", {"1", "abc", ""}},
        {" 1, 0", {1, 2}, ",", {" 1", " 0"}},
        {"\"a\",b", {1}, ",", {"\"a\""}},
        {"a,b", {8000, 8001, 2147483647}, ",", {"", "", ""}},
        {"a,b", {-2, -2147483647 - 1}, ",", {"2", "2"}},
        {"  x  y  ", {0, 1, 2, 3}, " ", {"2", "x", "y", ""}},
        {"   ", {0, 1}, " ", {"0", ""}},
        {"x\ty z", {0, 1}, " ", {"2", "x\ty"}},
        {"x\ty z", {0}, "\t", {"2"}},
        {"x ", {0, 1, 2}, " ", {"1", "x", ""}},
        // several-character delimiters
        {"a::b::c", {0, 1, 2, 3}, "::", {"3", "a", "b", "c"}},
        {"a:::b", {0, 1, 2}, "::", {"2", "a", ":b"}},
        {"a::", {0, 1, 2}, "::", {"1", "a", ""}},
        {"::a", {0, 1, 2}, "::", {"2", "", "a"}},
        {"aaa", {0, 1, 2}, "aa", {"2", "", "a"}},
    };
    for (const Row& r : plain) {
        for (size_t i = 0; i < r.ns.size(); ++i) {
            QTest::addRow("%s|%d|%s", r.text, r.ns[i], r.delimiter)
                << QString::fromUtf8(r.text) << r.ns[i] << QString::fromUtf8(r.delimiter)
                << QString::fromUtf8(r.results[i]) << QString::fromUtf8(r.text)
                << QString::fromUtf8(r.delimiter);
        }
    }

    // an empty delimiter means a space, and the caller's variable says so
    QTest::newRow("empty delimiter count") << "  x  y  " << 0 << ""
                                           << "2"
                                           << "  x  y  "
                                           << " ";
    QTest::newRow("empty delimiter field") << "  x  y  " << 1 << ""
                                           << "x"
                                           << "  x  y  "
                                           << " ";
    QTest::newRow("empty delimiter beyond 8000") << "a b" << 8001 << ""
                                                 << ""
                                                 << "a b"
                                                 << " ";

    // trim mode writes the left-trimmed text back and never the delimiter
    QTest::newRow("trim commas") << ",,a,b,," << -1 << ","
                                 << "a,b"
                                 << "a,b,,"
                                 << ",";
    QTest::newRow("trim spaces") << "  a b  " << -1 << " "
                                 << "a b"
                                 << "a b  "
                                 << " ";
    QTest::newRow("trim only delimiter") << "," << -1 << ","
                                         << ""
                                         << ""
                                         << ",";
    QTest::newRow("trim trailing") << "x," << -1 << ","
                                   << "x"
                                   << "x,"
                                   << ",";
    QTest::newRow("trim empty delimiter") << "a,b" << -1 << ""
                                          << "a,b"
                                          << "a,b"
                                          << "";
    QTest::newRow("trim empty text") << "" << -1 << ","
                                     << ""
                                     << ""
                                     << ",";
    QTest::newRow("trim keeps inner runs") << " a  b " << -1 << " "
                                           << "a  b"
                                           << "a  b "
                                           << " ";
    QTest::newRow("trim whole occurrences") << "::::a::b::" << -1 << "::"
                                            << "a::b"
                                            << "a::b::"
                                            << "::";
    QTest::newRow("trim odd leftover") << ":::a:" << -1 << "::"
                                       << ":a:"
                                       << ":a:"
                                       << "::";
}

void TestGetfield::cuts()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, delimiter);
    QFETCH(QString, expected);
    QFETCH(QString, textAfter);
    QFETCH(QString, delimiterAfter);

    const QString constText = text;
    const QString constDelimiter = delimiter;
    QCOMPARE(getfield(constText, n, constDelimiter), expected);

    QCOMPARE(getfield(text, n, delimiter), expected);
    QCOMPARE(text, textAfter);
    QCOMPARE(delimiter, delimiterAfter);
}

void TestGetfield::tableBounds_data()
{
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QString>("gap");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("j");
    QTest::addColumn<bool>("trailing");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("fails");

    struct Form {
        const char* name;
        const char* lead;
        const char* gap;
        const char* delimiter;
    };
    const Form forms[] = {
        {"comma", "", ",", ","},
        {"space", "", " ", " "},
        {"collapsed spaces", "  ", "   ", " "},
    };
    for (const Form& f : forms) {
        auto row = [&](int j, int n, const char* expected, bool fails) {
            QTest::addRow("%s j=%d n=%d", f.name, j, n)
                << QString::fromLatin1(f.lead) << QString::fromLatin1(f.gap)
                << QString::fromLatin1(f.delimiter) << j << false << n
                << QString::fromLatin1(expected) << fails;
        };
        row(7998, 0, "7999", false);
        row(7999, 0, "", true);
        row(7999, -5, "", true);
        row(7999, 7999, "x", false);
        row(7999, 8000, "x", false);
        row(8000, 7999, "x", false);
        row(8000, 8000, "", true);
        row(8000, 8001, "", false);
    }
    // a trailing delimiter counts as an occurrence for the bound
    QTest::newRow("trailing comma j=7998") << ""
                                           << ","
                                           << "," << 7998 << true << 0 << "" << true;
    QTest::newRow("trailing space j=7997") << ""
                                           << " "
                                           << " " << 7997 << true << 0 << "7998" << false;
    QTest::newRow("trailing space j=7998") << ""
                                           << "  "
                                           << " " << 7998 << true << 0 << "" << true;
}

void TestGetfield::tableBounds()
{
    QFETCH(QString, lead);
    QFETCH(QString, gap);
    QFETCH(QString, delimiter);
    QFETCH(int, j);
    QFETCH(bool, trailing);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QFETCH(bool, fails);

    QString text = repeated(lead, gap, j);
    if (trailing)
        text += gap;
    QString result = QStringLiteral("unset");
    const auto fault = faultOf([&] { result = getfield(text, n, delimiter); });
    if (fails) {
        QCOMPARE(fault, std::optional<FaultKind>(FaultKind::SubscriptOutOfRange));
    } else {
        QCOMPARE(fault, std::nullopt);
        QCOMPARE(result, expected);
    }
}

void TestGetfield::cutfieldsAgrees_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<int>("present");

    QTest::newRow("sample row") << "0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1" << QChar(u',') << 16 << 16;
    QTest::newRow("more fields than wanted")
        << "0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,7,8" << QChar(u',') << 16 << 16;
    QTest::newRow("short row") << "1,0,1" << QChar(u',') << 16 << 3;
    QTest::newRow("empty row") << "" << QChar(u',') << 4 << 1;
    QTest::newRow("only comma") << "," << QChar(u',') << 4 << 2;
    QTest::newRow("empty fields") << ",a,,b," << QChar(u',') << 8 << 5;
    QTest::newRow("spaces kept") << " 1, 0 ,\"2\"" << QChar(u',') << 4 << 3;
    QTest::newRow("tab delimiter") << "a\tb\t\tc" << QChar(u'\t') << 5 << 4;
    QTest::newRow("none wanted") << "a,b" << QChar(u',') << 0 << 0;
    QTest::newRow("past field 8000") << repeated("", ",", 20) << QChar(u',') << 8005 << 21;
}

void TestGetfield::cutfieldsAgrees()
{
    QFETCH(QString, row);
    QFETCH(QChar, delimiter);
    QFETCH(int, wanted);
    QFETCH(int, present);

    std::vector<FieldSpan> spans(wanted, FieldSpan{-7, -7});
    QCOMPARE(cutFields(row, delimiter, spans), qsizetype(present));
    for (int i = 0; i < wanted; ++i) {
        QVERIFY(spans[i].start >= 0 && spans[i].length >= 0);
        QVERIFY(spans[i].start + spans[i].length <= row.size());
        QCOMPARE(row.mid(spans[i].start, spans[i].length),
                 getfield(row, i + 1, QString(delimiter)));
    }
}

void TestGetfield::cutfieldsBound()
{
    std::vector<FieldSpan> spans(8000);
    const QString ok = repeated("", ",", 7999);
    QCOMPARE(faultOf([&] { cutFields(ok, u',', spans); }), std::nullopt);
    QCOMPARE(ok.mid(spans[7999].start, spans[7999].length), QStringLiteral("x"));

    const QString over = repeated("", ",", 8000);
    QCOMPARE(faultOf([&] { cutFields(over, u',', spans); }),
             std::optional<FaultKind>(FaultKind::SubscriptOutOfRange));
    std::vector<FieldSpan> fewer(7999);
    QCOMPARE(faultOf([&] { cutFields(over, u',', fewer); }), std::nullopt);
    QCOMPARE(over.mid(fewer[7998].start, fewer[7998].length), QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(TestGetfield)
#include "tst_getfield.moc"

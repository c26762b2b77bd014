#include "ui/toolkit/controlarray.h"
#include "ui/toolkit/controlvalues.h"
#include "ui/toolkit/namepattern.h"
#include "ui/toolkit/textbox.h"
#include "ui/toolkit/twips.h"
#include "util/fault.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void twipsToPixels_data();
    void twipsToPixels();
    void controlArrayCallsOneHandlerWithIndex();
    void controlArrayMissingElementIsSubscriptFault();
    void checkValues();
    void userClickNeverGreys();
    void comboIndexFollowsTypedText();
    void namePattern_data();
    void namePattern();
    void textBoxKeepsCrLf();
};

void TestToolkit::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("one inch at 96") << 1440 << 96 << 96;
    QTest::newRow("one inch at 144") << 1440 << 144 << 144;
    QTest::newRow("15 twips a pixel at 96") << 4410 << 96 << 294;
    QTest::newRow("rounds half up") << 45 << 96 << 3; // 2.999..., 3
    QTest::newRow("rounds down") << 255 << 96 << 17;  // 17.0
    QTest::newRow("rounds 2.5 up") << 30 << 120 << 3; // 2.5
    QTest::newRow("zero") << 0 << 96 << 0;
}

void TestToolkit::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(int, dpi);
    QFETCH(int, pixels);
    QCOMPARE(toolkit::twipsToPixels(twips, dpi), pixels);
}

void TestToolkit::controlArrayCallsOneHandlerWithIndex()
{
    QWidget form;
    toolkit::ControlArray<QPushButton> cmmd(QStringLiteral("cmmd"));
    QList<int> clicked;
    cmmd.add(0, new QPushButton(&form));
    cmmd.add(3, new QPushButton(&form));
    cmmd.connect(&QPushButton::clicked, [&clicked](int index) { clicked << index; });
    cmmd.add(5, new QPushButton(&form)); // bound although added after connect

    cmmd[5]->click();
    cmmd[0]->click();
    cmmd[3]->click();
    QCOMPARE(clicked, (QList<int>{5, 0, 3}));
    QCOMPARE(cmmd.indexes(), (QList<int>{0, 3, 5}));
    QCOMPARE(cmmd[3]->objectName(), QStringLiteral("cmmd"));
    QCOMPARE(cmmd[3]->property("index").toInt(), 3);
}

void TestToolkit::controlArrayMissingElementIsSubscriptFault()
{
    QWidget form;
    toolkit::ControlArray<QPushButton> cmmd(QStringLiteral("cmmd"));
    cmmd.add(0, new QPushButton(&form));
    cmmd.add(3, new QPushButton(&form));
    QVERIFY(!cmmd.contains(1));
    try {
        cmmd[1]->click();
        QFAIL("a missing element was returned");
    } catch (const Fault& fault) {
        QCOMPARE(fault.kind(), FaultKind::SubscriptOutOfRange);
    }
}

void TestToolkit::checkValues()
{
    QCheckBox box;
    for (int value : {1, 2, 0, 2, 1}) {
        toolkit::setCheckValue(&box, value);
        QCOMPARE(toolkit::checkValue(&box), value);
    }
    toolkit::setCheckValue(&box, 1);
    toolkit::setCheckValue(&box, 7);
    QCOMPARE(toolkit::checkValue(&box), 1);
}

void TestToolkit::userClickNeverGreys()
{
    toolkit::CheckBox box;
    toolkit::setCheckValue(&box, 2);
    QList<int> seen;
    for (int i = 0; i < 4; ++i) {
        box.click();
        seen << toolkit::checkValue(&box);
    }
    QCOMPARE(seen, (QList<int>{1, 0, 1, 0}));
}

void TestToolkit::comboIndexFollowsTypedText()
{
    QComboBox units;
    toolkit::makeDropDown(&units);
    units.addItems({QStringLiteral("nS"), QStringLiteral("uS"), QStringLiteral("mS")});
    toolkit::setComboIndex(&units, 0);
    QCOMPARE(toolkit::comboIndex(&units), 0);

    units.lineEdit()->setText(QStringLiteral("ps"));
    QCOMPARE(toolkit::comboIndex(&units), -1);
    QCOMPARE(units.count(), 3);
    units.lineEdit()->setText(QStringLiteral("US"));
    QCOMPARE(toolkit::comboIndex(&units), -1); // exact comparison
    units.lineEdit()->setText(QStringLiteral("mS"));
    QCOMPARE(toolkit::comboIndex(&units), 2);

    toolkit::setComboIndex(&units, -1);
    QCOMPARE(toolkit::comboIndex(&units), -1);
    QCOMPARE(units.currentText(), QString());
}

void TestToolkit::namePattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("star dot star, no extension") << "*.*"
                                                 << "README" << true;
    QTest::newRow("star dot star") << "*.*"
                                   << "a.csv" << true;
    QTest::newRow("case ignored") << "*.csv"
                                  << "B.CSV" << true;
    QTest::newRow("other extension") << "*.csv"
                                     << "notes.txt" << false;
    QTest::newRow("extension is a suffix") << "*.csv"
                                           << "a.csv.bak" << false;
    QTest::newRow("second of two") << "*.CSV;*.txt"
                                   << "notes.txt" << true;
    QTest::newRow("first of two") << "*.CSV;*.txt"
                                  << "a.csv" << true;
    QTest::newRow("neither of two") << "*.CSV;*.txt"
                                    << "README" << false;
    QTest::newRow("spaces around parts") << "*.csv ; *.txt"
                                         << "notes.txt" << true;
    QTest::newRow("question mark one char") << "?.csv"
                                            << "a.csv" << true;
    QTest::newRow("question mark not two") << "?.csv"
                                           << "ab.csv" << false;
    QTest::newRow("dot is literal") << "a.csv"
                                    << "aXcsv" << false;
    QTest::newRow("brackets are literal") << "[a].csv"
                                          << "[a].csv" << true;
    QTest::newRow("brackets no class") << "[a].csv"
                                       << "a.csv" << false;
    QTest::newRow("empty matches all") << ""
                                       << "README" << true;
    QTest::newRow("partly typed") << "*.c"
                                  << "a.csv" << false;
}

void TestToolkit::namePattern()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(toolkit::NamePattern(pattern).matches(name), matches);
}

void TestToolkit::textBoxKeepsCrLf()
{
    toolkit::TextBox box;
    box.setText(QStringLiteral("a.csv\r\nb.csv"));
    QCOMPARE(box.text(), QStringLiteral("a.csv\r\nb.csv"));
    box.setText(QString());
    QCOMPARE(box.text(), QString());

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClicks(&box, QStringLiteral("one"));
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("two"));
    QCOMPARE(box.text(), QStringLiteral("one\r\ntwo"));
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"

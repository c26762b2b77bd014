#include "util/basicutilities.h"

#include <QtTest>

class TestControlChars : public QObject {
    Q_OBJECT
private slots:
    void emptyUntilSet();
    void values();
};

void TestControlChars::emptyUntilSet()
{
    QVERIFY(basicutilities::cr.isEmpty());
    QVERIFY(basicutilities::lf.isEmpty());
    QVERIFY(basicutilities::crlf.isEmpty());
}

void TestControlChars::values()
{
    basicutilities::setcontrolchars();
    basicutilities::setcontrolchars(); // a second call changes nothing

    QCOMPARE(basicutilities::cr.size(), 1);
    QCOMPARE(basicutilities::cr.at(0).unicode(), 13);
    QCOMPARE(basicutilities::lf.size(), 1);
    QCOMPARE(basicutilities::lf.at(0).unicode(), 10);
    QCOMPARE(basicutilities::crlf.size(), 2);
    QCOMPARE(basicutilities::crlf, QStringLiteral("\r\n"));
}

QTEST_GUILESS_MAIN(TestControlChars)
#include "tst_controlchars.moc"

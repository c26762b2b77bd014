#include "modalanswers.h"
#include "ui/alert.h"
#include "ui/toolkit/modalseam.h"
#include "ui/toolkit/twips.h"

#include <QTest>

namespace {
// Shows the alert modally and presses button `index` (-1: the close box).
void answer(int index)
{
    modalseam::push([index](QWidget* window) {
        auto* dialog = qobject_cast<alert*>(window);
        QVERIFY(dialog);
        if (index < 0)
            dialog->close();
        else
            dialog->Command1[index]->click();
    });
    alert::form().showModal();
    QCOMPARE(modalseam::pending(), 0);
}
} // namespace

class TestAlert : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedModal(); }
    void init() { alert::unload(); }
    void cleanup()
    {
        modalseam::clear();
        alert::unload();
    }

    void design();
    void respondHiddenUnderOk();
    void sameWindowOnEveryUse();
    void answersAcrossShowings_data();
    void answersAcrossShowings();
    void textSurvivesHiding();
    void unloadGivesAFreshWindow();
};

void TestAlert::design()
{
    alert& dialog = alert::form();
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" "));
    QCOMPARE(dialog.size(), QSize(toolkit::twipsToPixels(3915, dialog.logicalDpiX()),
                                  toolkit::twipsToPixels(2160, dialog.logicalDpiY())));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(
        !(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(dialog.Command1.indexes(), (QList<int>{0, 1}));
    QCOMPARE(dialog.Command1[0]->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.Command1[1]->text(), QStringLiteral("Cancel"));
    QVERIFY(dialog.message->isReadOnly());
    QCOMPARE(dialog.message->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
    QCOMPARE(dialog.message->palette().color(QPalette::Base),
             dialog.palette().color(QPalette::Button));
}

void TestAlert::respondHiddenUnderOk()
{
    alert& dialog = alert::form();
    QVERIFY(!dialog.respond->isChecked());
    QVERIFY(dialog.Command1[0]->geometry().contains(dialog.respond->geometry()));
    // Lower in the stacking order than OK, so OK is drawn over it.
    const QObjectList children = dialog.children();
    QVERIFY(children.indexOf(dialog.respond) < children.indexOf(dialog.Command1[0]));
    QCOMPARE(dialog.respond->focusPolicy(), Qt::NoFocus);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint centre = dialog.respond->geometry().center();
    QCOMPARE(dialog.childAt(centre), dialog.Command1[0]);
}

void TestAlert::sameWindowOnEveryUse()
{
    alert* first = &alert::form();
    answer(0);
    QCOMPARE(&alert::form(), first);
}

void TestAlert::answersAcrossShowings_data()
{
    QTest::addColumn<QList<int>>("presses"); // -1: the close box
    QTest::addColumn<bool>("respond");
    QTest::newRow("OK") << QList<int>{0} << true;
    QTest::newRow("Cancel") << QList<int>{1} << false;
    QTest::newRow("OK, later Cancel") << QList<int>{0, 1} << false;
    QTest::newRow("Cancel, later OK") << QList<int>{1, 0} << true;
    QTest::newRow("OK, later the close box") << QList<int>{0, -1} << false;
}

void TestAlert::answersAcrossShowings()
{
    QFETCH(QList<int>, presses);
    QFETCH(bool, respond);
    QVERIFY(!alert::form().respond->isChecked());
    for (int index : presses) {
        answer(index);
        QVERIFY(!alert::form().isVisible());
    }
    QCOMPARE(alert::form().respond->isChecked(), respond);
}

void TestAlert::textSurvivesHiding()
{
    const QString text = QStringLiteral("Overwrite the file?\r\nIt cannot be undone.");
    alert::form().message->setText(text);
    answer(1);
    QCOMPARE(alert::form().message->text(), text);
    QString seen;
    modalseam::push([&seen](QWidget* window) {
        seen = qobject_cast<alert*>(window)->message->text();
        qobject_cast<alert*>(window)->Command1[0]->click();
    });
    alert::form().showModal();
    QCOMPARE(seen, text);
}

void TestAlert::unloadGivesAFreshWindow()
{
    alert::form().message->setText(QStringLiteral("old"));
    answer(0);
    alert::unload();
    QCOMPARE(alert::form().message->text(), QString());
    QVERIFY(!alert::form().respond->isChecked());
}

QTEST_MAIN(TestAlert)
#include "tst_alert.moc"

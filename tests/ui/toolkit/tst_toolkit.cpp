#include "tests/ui/foldertree.h"

#include "ui/chooser/choosefile.h"
#include "ui/chooser/drivelist.h"
#include "ui/chooser/filelist.h"
#include "ui/chooser/folderlist.h"
#include "ui/toolkit/controlarray.h"
#include "ui/toolkit/controlvalues.h"
#include "ui/toolkit/namepattern.h"
#include "ui/toolkit/platformfolders.h"
#include "ui/toolkit/textbox.h"
#include "ui/toolkit/twips.h"
#include "util/fault.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
// What a user's double-click delivers: a click, then the double-click.
void doubleclick(QWidget* viewport, const QPoint& at)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
}
} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void init() { savedFolder_ = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(savedFolder_); }

    void twipsToPixels_data();
    void twipsToPixels();
    void controlArrayCallsOneHandlerWithIndex();
    void controlArrayMissingElementIsSubscriptFault();
    void checkValues();
    void userClickNeverGreys();
    void comboIndexFollowsTypedText();
    void namePattern_data();
    void namePattern();
    void folderExists_data();
    void folderExists();
    void folderListShowsChainAndSubfolders();
    void folderListSignalsOnlyRealChanges();
    void folderListOpensOnDoubleClick();
    void fileListFiltersAndCounts();
    void fileListExtendedSelection();
    void fileListIndexOutOfRange();
    void driveListStartsWithRoot();
    void textBoxKeepsCrLf();

private:
    QString savedFolder_;
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

void TestToolkit::folderExists_data()
{
    QTest::addColumn<QString>("path"); // "<t>" stands for the tree's root
    QTest::addColumn<int>("result");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("folder") << "<t>/data" << -1;
    QTest::newRow("file") << "<t>/data/a.csv" << -1;
    QTest::newRow("missing") << "<t>/nope" << 0;
    QTest::newRow("missing file in missing folder") << "<t>/nope/a.csv" << 0;
    QTest::newRow("folder with entries, trailing slash") << "<t>/data/" << -1;
    QTest::newRow("empty folder, trailing slash") << "<t>/data/empty/" << -1;
    QTest::newRow("file, trailing slash") << "<t>/data/a.csv/" << 0;
    QTest::newRow("root") << "/" << -1;
    QTest::newRow("wildcard matches") << "<t>/data/*.txt" << -1;
    QTest::newRow("wildcard matches nothing") << "<t>/data/*.pdf" << 0;
    QTest::newRow("wildcard in a folder") << "<t>/d*/a.csv" << 0;
    QTest::newRow("file name case differs") << "<t>/data/A.csv" << 0;
    QTest::newRow("backslash path") << "c:\\" << 0;
}

void TestToolkit::folderExists()
{
    QFETCH(QString, path);
    QFETCH(int, result);
    FolderTree tree;
    QVERIFY(tree.isValid());
    path.replace(QStringLiteral("<t>"), tree.path());
    QCOMPARE(int(folderexists(path)), result);
}

void TestToolkit::folderListShowsChainAndSubfolders()
{
    FolderTree tree;
    toolkit::FolderList list;
    list.setPath(tree.path(QStringLiteral("data")));
    QCOMPARE(list.Path(), tree.path(QStringLiteral("data")));

    QStringList shown;
    for (int i = 0; i < list.count(); ++i)
        shown << list.item(i)->text();
    const QStringList chain =
        tree.path(QStringLiteral("data")).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QCOMPARE(shown.first(), QStringLiteral("/"));
    QCOMPARE(shown.mid(1, chain.size()), chain);
    QCOMPARE(shown.mid(chain.size() + 1),
             (QStringList{QStringLiteral("empty"), QStringLiteral("sub")}));
    // The open folder is the highlighted one.
    QCOMPARE(list.currentRow(), chain.size());

    list.setPath(QStringLiteral("/"));
    QCOMPARE(list.Path(), QStringLiteral("/"));
    QCOMPARE(list.item(0)->text(), QStringLiteral("/"));
}

void TestToolkit::folderListSignalsOnlyRealChanges()
{
    FolderTree tree;
    toolkit::FolderList list;
    QSignalSpy changed(&list, &toolkit::FolderList::pathChanged);

    list.setPath(tree.path(QStringLiteral("data")));
    QCOMPARE(changed.count(), 1);
    list.setPath(tree.path(QStringLiteral("data/")));
    QCOMPARE(changed.count(), 1);

    // A file or a vanished folder opens the nearest existing folder.
    list.setPath(tree.path(QStringLiteral("data/sub/x.csv")));
    QCOMPARE(list.Path(), tree.path(QStringLiteral("data/sub")));
    list.setPath(tree.path(QStringLiteral("data/gone/deeper")));
    QCOMPARE(list.Path(), tree.path(QStringLiteral("data")));
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.last().first().toString(), tree.path(QStringLiteral("data")));
}

void TestToolkit::folderListOpensOnDoubleClick()
{
    FolderTree tree;
    toolkit::FolderList list;
    list.resize(300, 600);
    list.setPath(tree.path(QStringLiteral("data")));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy changed(&list, &toolkit::FolderList::pathChanged);

    const QList<QListWidgetItem*> found = list.findItems(QStringLiteral("sub"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QPoint at = list.visualItemRect(found.first()).center();
    doubleclick(list.viewport(), at);
    QCOMPARE(list.Path(), tree.path(QStringLiteral("data/sub")));
    QCOMPARE(changed.count(), 1);

    // Going up: the parent is in the chain above.
    const QList<QListWidgetItem*> parent = list.findItems(QStringLiteral("data"), Qt::MatchExactly);
    QCOMPARE(parent.size(), 1);
    doubleclick(list.viewport(), list.visualItemRect(parent.first()).center());
    QCOMPARE(list.Path(), tree.path(QStringLiteral("data")));
}

void TestToolkit::fileListFiltersAndCounts()
{
    FolderTree tree;
    toolkit::FileList list;
    list.setPath(tree.path(QStringLiteral("data")));
    QCOMPARE(list.Pattern(), QStringLiteral("*.*"));

    QStringList names;
    for (int i = 0; i < list.ListCount(); ++i)
        names << list.List(i);
    // Folders are not listed; names sort without regard to case.
    QCOMPARE(names, (QStringList{"a.csv", "B.CSV", "c.csv", "notes.txt", "README"}));

    list.setPattern(QStringLiteral("*.TXT;readme"));
    QCOMPARE(list.ListCount(), 2);
    QCOMPARE(list.List(0), QStringLiteral("notes.txt"));
    QCOMPARE(list.List(1), QStringLiteral("README"));
}

void TestToolkit::fileListExtendedSelection()
{
    FolderTree tree;
    toolkit::FileList list;
    list.resize(300, 400);
    list.setPath(tree.path(QStringLiteral("data")));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto click = [&list](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                          list.visualItemRect(list.item(row)).center());
    };
    auto selection = [&list] {
        QList<bool> selected;
        for (int i = 0; i < list.ListCount(); ++i)
            selected << list.Selected(i);
        return selected;
    };

    click(1, {});
    QCOMPARE(selection(), (QList<bool>{false, true, false, false, false}));
    click(3, Qt::ShiftModifier);
    QCOMPARE(selection(), (QList<bool>{false, true, true, true, false}));
    click(2, Qt::ControlModifier);
    QCOMPARE(selection(), (QList<bool>{false, true, false, true, false}));
    click(4, Qt::ControlModifier);
    QCOMPARE(selection(), (QList<bool>{false, true, false, true, true}));
    click(0, {});
    QCOMPARE(selection(), (QList<bool>{true, false, false, false, false}));
}

void TestToolkit::fileListIndexOutOfRange()
{
    FolderTree tree;
    toolkit::FileList list;
    list.setPath(tree.path(QStringLiteral("data")));
    for (int index : {-1, list.ListCount()}) {
        try {
            list.List(index);
            QFAIL("an entry outside the list was read");
        } catch (const Fault& fault) {
            QCOMPARE(fault.kind(), FaultKind::SubscriptOutOfRange);
        }
    }
}

void TestToolkit::driveListStartsWithRoot()
{
    toolkit::DriveList drives;
    QVERIFY(drives.count() >= 1);
    QCOMPARE(drives.itemText(0), QDir::toNativeSeparators(QDir::rootPath()));
    FolderTree tree;
    drives.setDrive(tree.path(QStringLiteral("data")));
    QVERIFY(
        QDir(tree.path()).absolutePath().startsWith(QDir::fromNativeSeparators(drives.Drive())));
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

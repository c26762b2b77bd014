#include "tests/ui/foldertree.h"
#include "ui/chooser/choosefile.h"
#include "ui/chooser/drivelist.h"
#include "ui/chooser/filelist.h"
#include "ui/chooser/folderlist.h"
#include "util/fault.h"

#include <QSignalSpy>
#include <QTest>

// The chooser's drive, folder and file lists, and the folder test it makes.

namespace {
// What a user's double-click delivers: a click, then the double-click.
void doubleclick(QWidget* viewport, const QPoint& at)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
}
} // namespace

class TestLists : public QObject {
    Q_OBJECT

private slots:
    void init() { savedFolder_ = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(savedFolder_); }

    void folderExists_data();
    void folderExists();
    void folderListShowsChainAndSubfolders();
    void folderListSignalsOnlyRealChanges();
    void folderListOpensOnDoubleClick();
    void fileListFiltersAndCounts();
    void fileListExtendedSelection();
    void fileListIndexOutOfRange();
    void driveListStartsWithRoot();

private:
    QString savedFolder_;
};

void TestLists::folderExists_data()
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

void TestLists::folderExists()
{
    QFETCH(QString, path);
    QFETCH(int, result);
    FolderTree tree;
    QVERIFY(tree.isValid());
    path.replace(QStringLiteral("<t>"), tree.path());
    QCOMPARE(int(folderexists(path)), result);
}

void TestLists::folderListShowsChainAndSubfolders()
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

void TestLists::folderListSignalsOnlyRealChanges()
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

void TestLists::folderListOpensOnDoubleClick()
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

void TestLists::fileListFiltersAndCounts()
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

void TestLists::fileListExtendedSelection()
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

void TestLists::fileListIndexOutOfRange()
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

void TestLists::driveListStartsWithRoot()
{
    toolkit::DriveList drives;
    QVERIFY(drives.count() >= 1);
    QCOMPARE(drives.itemText(0), QDir::toNativeSeparators(QDir::rootPath()));
    FolderTree tree;
    drives.setDrive(tree.path(QStringLiteral("data")));
    QVERIFY(
        QDir(tree.path()).absolutePath().startsWith(QDir::fromNativeSeparators(drives.Drive())));
}

QTEST_MAIN(TestLists)
#include "tst_lists.moc"

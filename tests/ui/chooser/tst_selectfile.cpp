#include "tests/ui/foldertree.h"

#include "ui/chooser/selectfile.h"
#include "ui/toolkit/twips.h"
#include "util/basicutilities.h"

#include <QTest>

namespace {
QStringList names(const toolkit::FileList* list)
{
    QStringList shown;
    for (int i = 0; i < list->ListCount(); ++i)
        shown << list->List(i);
    return shown;
}
} // namespace

class TestSelectFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { basicutilities::setcontrolchars(); }
    void init() { savedFolder_ = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(savedFolder_); }

    void design();
    void geometry_data();
    void geometry();
    void tabOrder();
    void enterDoesNotClickAButton();
    void escapeActsAsCloseBox();
    void openingAFolderClearsNameNotCount();
    void driveChangeOpensTheDrive();
    void doubleClickWithNothingSelected();
    void doubleClickCollectsSelection();
    void patternFiltersOnEveryKeystroke();
    void activationShowsThePattern();

private:
    QString savedFolder_;
};

void TestSelectFile::design()
{
    selectfile form;
    QCOMPARE(form.windowTitle(), QStringLiteral(" "));
    QCOMPARE(form.size(), QSize(toolkit::twipsToPixels(4410, form.logicalDpiX()),
                                toolkit::twipsToPixels(5625, form.logicalDpiY())));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    QCOMPARE(form.Label1->text(), QStringLiteral("Files: "));
    // Lists start on the current folder, the file list with every file.
    QCOMPARE(form.dirlist->Path(), QDir::toNativeSeparators(QDir::currentPath()));
    QCOMPARE(form.filelist->Path(), form.dirlist->Path());
    QCOMPARE(form.filelist->Pattern(), QStringLiteral("*.*"));
}

void TestSelectFile::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("dirlist") << "dirlist" << QRect(2205, 270, 2190, 4365);
    QTest::newRow("filelist") << "filelist" << QRect(45, 1170, 2115, 3990);
    QTest::newRow("okbutton") << "okbutton" << QRect(45, 5220, 2130, 330);
    QTest::newRow("filecount") << "filecount" << QRect(495, 855, 645, 285);
}

void TestSelectFile::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    selectfile form;
    const QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY(control);
    const int dx = form.logicalDpiX();
    const int dy = form.logicalDpiY();
    const QRect expected(qRound(twips.left() * dx / 1440.0), qRound(twips.top() * dy / 1440.0),
                         qRound(twips.width() * dx / 1440.0), qRound(twips.height() * dy / 1440.0));
    QCOMPARE(control->geometry(), expected);
    QVERIFY(form.rect().contains(control->geometry()));
}

void TestSelectFile::tabOrder()
{
    selectfile form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QStringList order{form.focusWidget()->objectName()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        order << form.focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"dirlist", "filelist", "drivelist", "filename", "okbutton",
                                 "cancelbutton", "filemask", "filecount", "dirlist"}));
}

void TestSelectFile::enterDoesNotClickAButton()
{
    selectfile form;
    QVERIFY(!form.okbutton->autoDefault() && !form.okbutton->isDefault());
    QVERIFY(!form.cancelbutton->autoDefault() && !form.cancelbutton->isDefault());
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.filemask->setFocus();
    QTest::keyClick(form.filemask, Qt::Key_Return);
    form.okbutton->setFocus();
    QTest::keyClick(form.okbutton, Qt::Key_Return);
    QVERIFY(form.isVisible());

    // Enter in the file-name box starts a new line.
    form.filename->setFocus();
    QTest::keyClicks(form.filename, QStringLiteral("a"));
    QTest::keyClick(form.filename, Qt::Key_Return);
    QTest::keyClicks(form.filename, QStringLiteral("b"));
    QCOMPARE(form.filename->text(), QStringLiteral("a\r\nb"));
    QVERIFY(form.isVisible());
}

void TestSelectFile::escapeActsAsCloseBox()
{
    selectfile form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(!form.closedByCloseBox());
    QTest::keyClick(form.dirlist, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QVERIFY(form.closedByCloseBox());

    selectfile other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.okbutton->click();
    QVERIFY(!other.isVisible());
    QVERIFY(!other.closedByCloseBox());
}

void TestSelectFile::openingAFolderClearsNameNotCount()
{
    FolderTree tree;
    selectfile form;
    form.dirlist->setPath(tree.path(QStringLiteral("data")));
    form.filelist->setSelected(0, true);
    form.filelist_DblClick();
    QCOMPARE(form.filename->text(), QStringLiteral("a.csv"));
    QCOMPARE(form.filecount->text(), QStringLiteral("1"));

    form.dirlist->setPath(tree.path(QStringLiteral("data/sub")));
    QCOMPARE(form.filename->text(), QString());
    QCOMPARE(form.filecount->text(), QStringLiteral("1"));
    QCOMPARE(form.filelist->Path(), tree.path(QStringLiteral("data/sub")));
    QCOMPARE(names(form.filelist), QStringList{"x.csv"});
}

void TestSelectFile::driveChangeOpensTheDrive()
{
    FolderTree tree;
    selectfile form;
    form.dirlist->setPath(tree.path(QStringLiteral("data")));
    form.filename->setText(QStringLiteral("typed"));
    form.drivelist->setDrive(QStringLiteral("/"));
    form.drivelist_Change();
    QCOMPARE(form.dirlist->Path(), form.drivelist->Drive());
    QCOMPARE(form.filelist->Path(), form.drivelist->Drive());
    QCOMPARE(form.filename->text(), QString());
}

void TestSelectFile::doubleClickWithNothingSelected()
{
    FolderTree tree;
    selectfile form;
    form.dirlist->setPath(tree.path(QStringLiteral("data")));
    form.filename->setText(QStringLiteral("left over"));
    form.filecount->setText(QStringLiteral("3"));
    form.filelist_DblClick();
    QCOMPARE(form.filename->text(), QString());
    QCOMPARE(form.filecount->text(), QStringLiteral("0"));
}

void TestSelectFile::doubleClickCollectsSelection()
{
    FolderTree tree;
    selectfile form;
    form.dirlist->setPath(tree.path(QStringLiteral("data")));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    toolkit::FileList* list = form.filelist;
    auto at = [list](int row) { return list->visualItemRect(list->item(row)).center(); };

    // Click a.csv, then Shift + double-click c.csv: a.csv to c.csv in list order.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
    QCOMPARE(form.filename->text(), QStringLiteral("a.csv\r\nB.CSV\r\nc.csv"));
    QCOMPARE(form.filecount->text(), QStringLiteral("3"));

    // A plain double-click takes the one file under the pointer.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(3));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at(3));
    QCOMPARE(form.filename->text(), QStringLiteral("notes.txt"));
    QCOMPARE(form.filecount->text(), QStringLiteral("1"));
}

void TestSelectFile::patternFiltersOnEveryKeystroke()
{
    FolderTree tree;
    selectfile form;
    form.dirlist->setPath(tree.path(QStringLiteral("data")));
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.filemask->selectAll();
    QTest::keyClick(form.filemask, Qt::Key_Delete);
    QCOMPARE(form.filelist->ListCount(), 5);

    const QList<QPair<char, int>> steps{{'*', 5}, {'.', 0}, {'c', 0}, {'s', 0}, {'v', 3}};
    for (const auto& [key, count] : steps) {
        QTest::keyClick(form.filemask, key);
        QCOMPARE(form.filelist->Pattern(), form.filemask->text());
        QCOMPARE(form.filelist->ListCount(), count);
    }
    QTest::keyClicks(form.filemask, QStringLiteral(";readme"));
    QCOMPARE(names(form.filelist), (QStringList{"a.csv", "B.CSV", "c.csv", "README"}));
}

void TestSelectFile::activationShowsThePattern()
{
    selectfile form;
    form.filelist->setPattern(QStringLiteral("*.csv"));
    QCOMPARE(form.filemask->text(), QString());
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.filemask->text(), QStringLiteral("*.csv"));
}

QTEST_MAIN(TestSelectFile)
#include "tst_selectfile.moc"

#include "tests/ui/foldertree.h"
#include "ui/chooser/selectfile.h"
#include "ui/toolkit/twips.h"
#include "util/basicutilities.h"

#include <QTest>

#include <memory>

namespace {
QStringList names(const toolkit::FileList* list)
{
    QStringList shown;
    for (int i = 0; i < list->ListCount(); ++i)
        shown << list->List(i);
    return shown;
}
} // namespace

// Each test gets a fresh form on the current folder and a folder tree to
// point it at.
class TestSelectFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { basicutilities::setcontrolchars(); }
    void init();
    void cleanup();

    void design();
    void controlsStandWhereTheDesignPutsThem();
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
    // The form on the tree's folder `data`.
    void openData() { form->dirlist->setPath(tree->path(QStringLiteral("data"))); }
    // Shows the form; `active`: waits until it takes the keys.
    bool shown(bool active = true)
    {
        form->show();
        return active ? QTest::qWaitForWindowActive(form.get())
                      : QTest::qWaitForWindowExposed(form.get());
    }

    QString savedFolder_;
    std::unique_ptr<FolderTree> tree;
    std::unique_ptr<selectfile> form;
};

void TestSelectFile::init()
{
    savedFolder_ = QDir::currentPath();
    tree = std::make_unique<FolderTree>();
    QVERIFY(tree->isValid());
    form = std::make_unique<selectfile>();
}

void TestSelectFile::cleanup()
{
    form.reset();
    tree.reset();
    QDir::setCurrent(savedFolder_);
}

void TestSelectFile::design()
{
    QCOMPARE(form->windowTitle(), QStringLiteral(" "));
    QCOMPARE(form->size(), QSize(toolkit::twipsToPixels(4410, form->logicalDpiX()),
                                 toolkit::twipsToPixels(5625, form->logicalDpiY())));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    QCOMPARE(form->Label1->text(), QStringLiteral("Files: "));
    // Lists start on the current folder, the file list with every file.
    QCOMPARE(form->dirlist->Path(), QDir::toNativeSeparators(QDir::currentPath()));
    QCOMPARE(form->filelist->Path(), form->dirlist->Path());
    QCOMPARE(form->filelist->Pattern(), QStringLiteral("*.*"));
}

// Each control at its design rectangle at this screen's resolution, within
// the form. (The design lets some labels reach into their neighbours.)
void TestSelectFile::controlsStandWhereTheDesignPutsThem()
{
    int controls = 0;
    for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect design = toolkit::designTwips(control);
        if (design.isNull())
            continue;
        QCOMPARE(control->geometry(),
                 toolkit::twipsRect(design, form->logicalDpiX(), form->logicalDpiY()));
        QVERIFY(form->rect().contains(control->geometry()));
        ++controls;
    }
    QCOMPARE(controls, 11);
}

void TestSelectFile::tabOrder()
{
    QVERIFY(shown());
    QStringList order{form->focusWidget()->objectName()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
        order << form->focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"dirlist", "filelist", "drivelist", "filename", "okbutton",
                                 "cancelbutton", "filemask", "filecount", "dirlist"}));
}

void TestSelectFile::enterDoesNotClickAButton()
{
    QVERIFY(!form->okbutton->autoDefault() && !form->okbutton->isDefault());
    QVERIFY(!form->cancelbutton->autoDefault() && !form->cancelbutton->isDefault());
    QVERIFY(shown());
    form->filemask->setFocus();
    QTest::keyClick(form->filemask, Qt::Key_Return);
    form->okbutton->setFocus();
    QTest::keyClick(form->okbutton, Qt::Key_Return);
    QVERIFY(form->isVisible());

    // Enter in the file-name box starts a new line.
    form->filename->setFocus();
    QTest::keyClicks(form->filename, QStringLiteral("a"));
    QTest::keyClick(form->filename, Qt::Key_Return);
    QTest::keyClicks(form->filename, QStringLiteral("b"));
    QCOMPARE(form->filename->text(), QStringLiteral("a\r\nb"));
    QVERIFY(form->isVisible());
}

void TestSelectFile::escapeActsAsCloseBox()
{
    QVERIFY(shown());
    QVERIFY(!form->closedByCloseBox());
    QTest::keyClick(form->dirlist, Qt::Key_Escape);
    QVERIFY(!form->isVisible());
    QVERIFY(form->closedByCloseBox());

    selectfile other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    other.okbutton->click();
    QVERIFY(!other.isVisible());
    QVERIFY(!other.closedByCloseBox());
}

void TestSelectFile::openingAFolderClearsNameNotCount()
{
    openData();
    form->filelist->setSelected(0, true);
    form->filelist_DblClick();
    QCOMPARE(form->filename->text(), QStringLiteral("a.csv"));
    QCOMPARE(form->filecount->text(), QStringLiteral("1"));

    form->dirlist->setPath(tree->path(QStringLiteral("data/sub")));
    QCOMPARE(form->filename->text(), QString());
    QCOMPARE(form->filecount->text(), QStringLiteral("1"));
    QCOMPARE(form->filelist->Path(), tree->path(QStringLiteral("data/sub")));
    QCOMPARE(names(form->filelist), QStringList{"x.csv"});
}

void TestSelectFile::driveChangeOpensTheDrive()
{
    openData();
    form->filename->setText(QStringLiteral("typed"));
    form->drivelist->setDrive(QStringLiteral("/"));
    form->drivelist_Change();
    QCOMPARE(form->dirlist->Path(), form->drivelist->Drive());
    QCOMPARE(form->filelist->Path(), form->drivelist->Drive());
    QCOMPARE(form->filename->text(), QString());
}

void TestSelectFile::doubleClickWithNothingSelected()
{
    openData();
    form->filename->setText(QStringLiteral("left over"));
    form->filecount->setText(QStringLiteral("3"));
    form->filelist_DblClick();
    QCOMPARE(form->filename->text(), QString());
    QCOMPARE(form->filecount->text(), QStringLiteral("0"));
}

void TestSelectFile::doubleClickCollectsSelection()
{
    openData();
    QVERIFY(shown(false));
    toolkit::FileList* list = form->filelist;
    auto at = [list](int row) { return list->visualItemRect(list->item(row)).center(); };

    // Click a.csv, then Shift + double-click c.csv: a.csv to c.csv in list order.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(2));
    QCOMPARE(form->filename->text(), QStringLiteral("a.csv\r\nB.CSV\r\nc.csv"));
    QCOMPARE(form->filecount->text(), QStringLiteral("3"));

    // A plain double-click takes the one file under the pointer.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(3));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at(3));
    QCOMPARE(form->filename->text(), QStringLiteral("notes.txt"));
    QCOMPARE(form->filecount->text(), QStringLiteral("1"));
}

void TestSelectFile::patternFiltersOnEveryKeystroke()
{
    openData();
    QVERIFY(shown());
    form->filemask->selectAll();
    QTest::keyClick(form->filemask, Qt::Key_Delete);
    QCOMPARE(form->filelist->ListCount(), 5);

    const QList<QPair<char, int>> steps{{'*', 5}, {'.', 0}, {'c', 0}, {'s', 0}, {'v', 3}};
    for (const auto& [key, count] : steps) {
        QTest::keyClick(form->filemask, key);
        QCOMPARE(form->filelist->Pattern(), form->filemask->text());
        QCOMPARE(form->filelist->ListCount(), count);
    }
    QTest::keyClicks(form->filemask, QStringLiteral(";readme"));
    QCOMPARE(names(form->filelist), (QStringList{"a.csv", "B.CSV", "c.csv", "README"}));
}

void TestSelectFile::activationShowsThePattern()
{
    form->filelist->setPattern(QStringLiteral("*.csv"));
    QCOMPARE(form->filemask->text(), QString());
    QVERIFY(shown());
    QCOMPARE(form->filemask->text(), QStringLiteral("*.csv"));
}

QTEST_MAIN(TestSelectFile)
#include "tst_selectfile.moc"

#include "tests/ui/foldertree.h"

#include "tests/ui/modalanswers.h"
#include "ui/chooser/choosefile.h"
#include "ui/chooser/selectfile.h"
#include "ui/toolkit/modalseam.h"
#include "util/basicutilities.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {
// What the window showed when it opened.
struct Opened {
    QString folder;
    QString fileFolder;
    QString name;
    QString mask;
    QString caption;
    QString drive;
    QStringList files;
};

using Action = std::function<void(selectfile*)>;

// Runs choosefile; `act` answers the window once it is shown.
QString runchooser(QString& name, QString& pattern, QString& start, const Action& act,
                   Opened* opened = nullptr)
{
    modalseam::push([act, opened](QWidget* window) {
        auto* form = qobject_cast<selectfile*>(window);
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        if (opened) {
            opened->folder = form->dirlist->Path();
            opened->fileFolder = form->filelist->Path();
            opened->name = form->filename->text();
            opened->mask = form->filemask->text();
            opened->caption = form->windowTitle();
            opened->drive = form->drivelist->Drive();
            for (int i = 0; i < form->filelist->ListCount(); ++i)
                opened->files << form->filelist->List(i);
        }
        act(form);
    });
    QString title = QStringLiteral("Select Zelmar CSV file");
    const QString answer = choosefile(name, pattern, start, title);
    if (modalseam::pending() != 0) {
        modalseam::clear();
        qWarning("the chooser was never shown");
    }
    return answer;
}

void ok(selectfile* form) { form->okbutton->click(); }
void cancel(selectfile* form) { form->cancelbutton->click(); }
void closebox(selectfile* form) { form->close(); }
} // namespace

class TestChooseFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        basicutilities::setcontrolchars();
        failOnUnexpectedModal();
    }
    void init()
    {
        savedFolder_ = QDir::currentPath();
        QVERIFY(tree_.isValid());
        QDir::setCurrent(tree_.path(QStringLiteral("data/sub")));
    }
    void cleanup()
    {
        modalseam::clear();
        QDir::setCurrent(savedFolder_);
    }

    void startFolder_data();
    void startFolder();
    void driveListOpensOnTheStartDrive();
    void defaultNameLosesItsSpaces();
    void pattern_data();
    void pattern();
    void answer_data();
    void answer();
    void answersThroughThePlainOverload();

private:
    QString savedFolder_;
    FolderTree tree_;
};

void TestChooseFile::startFolder_data()
{
    // "<t>" stands for the tree's root, "<app>" for the program's folder.
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("opens");
    QTest::newRow("current folder") << ""
                                    << ""
                                    << "<t>/data/sub";
    QTest::newRow("name without a folder") << ""
                                           << "run.csv"
                                           << "<t>/data/sub";
    QTest::newRow("folder of the default name") << ""
                                                << "<t>/data/run.csv"
                                                << "<t>/data";
    QTest::newRow("given folder") << "<t>/data"
                                  << "<t>/data/sub/run.csv"
                                  << "<t>/data";
    QTest::newRow("given relative folder") << ".."
                                           << ""
                                           << "<t>/data";
    QTest::newRow("missing folder") << "<t>/nope"
                                    << ""
                                    << "<app>";
    QTest::newRow("default name in a missing folder") << ""
                                                      << "<t>/nope/run.csv"
                                                      << "<app>";
    QTest::newRow("a file counts as existing") << "<t>/data/a.csv"
                                               << ""
                                               << "<t>/data";
    QTest::newRow("folder with a trailing slash") << "<t>/data/"
                                                  << ""
                                                  << "<t>/data";
    QTest::newRow("empty folder with a trailing slash") << "<t>/data/empty/"
                                                        << ""
                                                        << "<t>/data/empty";
    QTest::newRow("backslash name") << ""
                                    << "c:\\temp\\zelmar.csv"
                                    << "<app>";
}

void TestChooseFile::startFolder()
{
    QFETCH(QString, start);
    QFETCH(QString, name);
    QFETCH(QString, opens);
    for (QString* text : {&start, &name, &opens}) {
        text->replace(QStringLiteral("<t>"), tree_.path());
        text->replace(QStringLiteral("<app>"), QCoreApplication::applicationDirPath());
    }
    const QString shownName = name;
    QString pattern = QStringLiteral("*.csv");
    Opened opened;
    runchooser(name, pattern, start, cancel, &opened);
    QCOMPARE(opened.folder, opens);
    QCOMPARE(opened.fileFolder, opens);
    // The default name goes in after the folder list has opened.
    QCOMPARE(opened.name, shownName);
    QCOMPARE(opened.caption, QStringLiteral("Select Zelmar CSV file"));
    QCOMPARE(QDir::currentPath(), opens);
}

void TestChooseFile::driveListOpensOnTheStartDrive()
{
    // The current folder is on "/"; any other file system will do as the start.
    const QStringList drives = toolkit::DriveList::drives();
    const auto other = std::find_if(drives.begin(), drives.end(), [](const QString& drive) {
        return drive != QLatin1String("/") && folderexists(drive);
    });
    if (other == drives.end())
        QSKIP("only one file system is mounted here");
    QString start = *other;
    QString name;
    QString pattern = QStringLiteral("*.csv");
    Opened opened;
    runchooser(name, pattern, start, cancel, &opened);
    QCOMPARE(opened.drive, *other);
}

void TestChooseFile::defaultNameLosesItsSpaces()
{
    QString name =
        QStringLiteral("  ") + tree_.path(QStringLiteral("data/a.csv")) + QStringLiteral(" ");
    QString pattern;
    QString start;
    Opened opened;
    const QString answer = runchooser(name, pattern, start, ok, &opened);
    QCOMPARE(name, tree_.path(QStringLiteral("data/a.csv")));
    QCOMPARE(opened.folder, tree_.path(QStringLiteral("data")));
    QCOMPARE(opened.name, name);
    // A typed name is always joined to the folder, folder part and all.
    QCOMPARE(answer, tree_.path(QStringLiteral("data/")) + name);

    // Given a start folder, the name is not touched.
    QString padded = QStringLiteral(" run.csv ");
    start = tree_.path(QStringLiteral("data"));
    runchooser(padded, pattern, start, cancel);
    QCOMPARE(padded, QStringLiteral(" run.csv "));
}

void TestChooseFile::pattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("empty lists everything")
        << ""
        << "*.*" << QStringList{"a.csv", "B.CSV", "c.csv", "notes.txt", "README"};
    QTest::newRow("one pattern, any case") << "*.csv"
                                           << "*.csv" << QStringList{"a.csv", "B.CSV", "c.csv"};
    QTest::newRow("two patterns, any case")
        << "*.CSV;*.txt"
        << "*.CSV;*.txt" << QStringList{"a.csv", "B.CSV", "c.csv", "notes.txt"};
    QTest::newRow("no match") << "*.pdf"
                              << "*.pdf" << QStringList{};
}

void TestChooseFile::pattern()
{
    QFETCH(QString, pattern);
    QFETCH(QString, mask);
    QFETCH(QStringList, files);
    QString name;
    QString start = tree_.path(QStringLiteral("data"));
    Opened opened;
    runchooser(name, pattern, start, cancel, &opened);
    QCOMPARE(opened.files, files);
    QCOMPARE(opened.mask, mask);
}

void TestChooseFile::answer_data()
{
    // "<t>" stands for the tree's root, "<cr>" and "<lf>" for the line breaks.
    QTest::addColumn<QString>("browse"); // folder opened in the window, "" to stay
    QTest::addColumn<QString>("select"); // files to select, joined by "|", then a double-click
    QTest::addColumn<QString>("type");   // text typed over the file-name box, "-" to leave it
    QTest::addColumn<QString>("button"); // "ok", "cancel" or "close"
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("folderAfter");

    QTest::newRow("OK with an empty box") << ""
                                          << ""
                                          << ""
                                          << "ok"
                                          << ""
                                          << "<t>/data";
    QTest::newRow("OK with one name") << ""
                                      << ""
                                      << "run.csv"
                                      << "ok"
                                      << "<t>/data/run.csv"
                                      << "<t>/data";
    QTest::newRow("OK after browsing") << "<t>/data/sub"
                                       << ""
                                       << "x.csv"
                                       << "ok"
                                       << "<t>/data/sub/x.csv"
                                       << "<t>/data/sub";
    QTest::newRow("double-click one") << ""
                                      << "c.csv"
                                      << "-"
                                      << "ok"
                                      << "<t>/data/c.csv"
                                      << "<t>/data";
    QTest::newRow("several names, one line") << ""
                                             << "a.csv|c.csv|README"
                                             << "-"
                                             << "ok"
                                             << "<t>/data/a.csv ,c.csv ,README"
                                             << "<t>/data";
    QTest::newRow("typed lines join too") << ""
                                          << ""
                                          << "a<cr><lf>b<cr><lf>"
                                          << "ok"
                                          << "<t>/data/a ,b ,"
                                          << "<t>/data";
    QTest::newRow("Cancel clears a name") << ""
                                          << ""
                                          << "run.csv"
                                          << "cancel"
                                          << ""
                                          << "<t>/data";
    QTest::newRow("Cancel takes the folder shown") << "<t>/data/empty"
                                                   << ""
                                                   << "x.csv"
                                                   << "cancel"
                                                   << ""
                                                   << "<t>/data/empty";
    QTest::newRow("close box keeps the folder") << "<t>/data/empty"
                                                << ""
                                                << "x.csv"
                                                << "close"
                                                << ""
                                                << "<t>/data/sub";
    QTest::newRow("close box, no browsing") << ""
                                            << "a.csv"
                                            << "-"
                                            << "close"
                                            << ""
                                            << "<t>/data/sub";
    QTest::newRow("root, one name") << "/"
                                    << ""
                                    << "run.csv"
                                    << "ok"
                                    << "/run.csv"
                                    << "/";
    QTest::newRow("root, line breaks stay") << "/"
                                            << ""
                                            << "a<cr><lf>b"
                                            << "ok"
                                            << "/a<cr><lf>b"
                                            << "/";
}

void TestChooseFile::answer()
{
    QFETCH(QString, browse);
    QFETCH(QString, select);
    QFETCH(QString, type);
    QFETCH(QString, button);
    QFETCH(QString, expected);
    QFETCH(QString, folderAfter);
    for (QString* text : {&browse, &type, &expected, &folderAfter}) {
        text->replace(QStringLiteral("<t>"), tree_.path());
        text->replace(QStringLiteral("<cr>"), QStringLiteral("\r"));
        text->replace(QStringLiteral("<lf>"), QStringLiteral("\n"));
    }
    // The current folder is data/sub; the window opens on data.
    QString name = QStringLiteral("preset.csv");
    QString pattern = QStringLiteral("*.*");
    QString start = tree_.path(QStringLiteral("data"));
    const QString answer = runchooser(name, pattern, start, [&](selectfile* form) {
        if (!browse.isEmpty())
            form->dirlist->setPath(browse);
        form->filename->setText(QString());
        if (!select.isEmpty()) {
            const QStringList wanted = select.split(QLatin1Char('|'));
            for (int i = 0; i < form->filelist->ListCount(); ++i)
                form->filelist->setSelected(i, wanted.contains(form->filelist->List(i)));
            emit form->filelist->doubleClicked();
        }
        if (type != QStringLiteral("-"))
            form->filename->setText(type);
        if (button == QStringLiteral("ok"))
            ok(form);
        else if (button == QStringLiteral("cancel"))
            cancel(form);
        else
            closebox(form);
    });
    QCOMPARE(answer, expected);
    QCOMPARE(QDir::currentPath(), folderAfter);
}

void TestChooseFile::answersThroughThePlainOverload()
{
    modalseam::push([](QWidget* window) {
        auto* form = qobject_cast<selectfile*>(window);
        form->filename->setText(QStringLiteral("b.csv"));
        form->okbutton->click();
    });
    const QString answer = choosefile(QString(), QString(), tree_.path(QStringLiteral("data")),
                                      QStringLiteral("Pick"));
    QCOMPARE(answer, tree_.path(QStringLiteral("data/b.csv")));
    QCOMPARE(modalseam::pending(), 0);
}

QTEST_MAIN(TestChooseFile)
#include "tst_choosefile.moc"

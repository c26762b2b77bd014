#include "tests/util/files/filetools.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace filetools;

class LinkRuleTest : public QObject {
    Q_OBJECT

private slots:
    void linksInSharedFolders_data();
    void linksInSharedFolders();
};

void LinkRuleTest::linksInSharedFolders_data()
{
    QTest::addColumn<int>("mode");      // of the link's folder: 01777 as /tmp has
    QTest::addColumn<int>("linkOwner"); // 0: the writer, 1: another user, 2: the folder's owner
    QTest::addColumn<QString>("where"); // the link: the file named, a folder on the way, …
    QTest::addColumn<bool>("followed");
    QTest::addColumn<bool>("flipping"); // the other user swaps link and file meanwhile

    for (const char* where : {"file", "folder", "pages"}) {
        const auto row = [where](const char* what, int mode, int owner, bool followed) {
            QTest::addRow("%s: %s", where, what) << mode << owner << where << followed << false;
        };
        row("another user's link in a sticky folder", 01777, 1, false);
        row("own link in a sticky folder", 01777, 0, true);
        row("folder owner's link in a sticky folder", 01777, 2, true);
        row("another user's link in an ordinary folder", 0755, 1, true);
        // Sticky, but not everyone may write there: the kernel follows it.
        row("another user's link in a sticky folder of mode 1755", 01755, 1, true);
        row("another user's link in a sticky folder of mode 1770", 01770, 1, true);
    }
    QTest::newRow("folder: reached through an own link") << 01777 << 1 << "chain" << false << false;
    QTest::newRow("folder: left again by ..") << 01777 << 1 << "up" << false << false;
    QTest::newRow("another user flipping a file and a link")
        << 01777 << 1 << "file" << false << true;
}

void LinkRuleTest::linksInSharedFolders()
{
    QFETCH(int, mode);
    QFETCH(int, linkOwner);
    QFETCH(QString, where);
    QFETCH(bool, followed);
    QFETCH(bool, flipping);
    if (linkOwner != 0 && !isRoot())
        QSKIP("only root can make files that belong to another user");

    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(shared));
    const QByteArray nativeShared = QFile::encodeName(shared);
    QVERIFY(::chmod(nativeShared.constData(), mode_t(mode)) == 0);
    const uid_t folderOwner = otherUser + 1;
    if (isRoot())
        QVERIFY(::chown(nativeShared.constData(), folderOwner, folderOwner) == 0);

    const QString victims = dir.filePath(QStringLiteral("victims"));
    QVERIFY(QDir().mkpath(victims));
    const QString victim = victims + QStringLiteral("/out.pdf");
    QVERIFY(writeBytes(victim, "the victim's own file\n"));
    const bool onFile = where == QLatin1String("file");
    const QString link = shared + (onFile ? QStringLiteral("/out.pdf") : QStringLiteral("/x"));
    QVERIFY(QFile::link(onFile ? victim : victims, link));
    const uid_t owners[] = {::geteuid(), otherUser, folderOwner};
    if (linkOwner != 0) {
        QVERIFY(::lchown(QFile::encodeName(link).constData(), owners[linkOwner], owners[linkOwner])
                == 0);
    }
    QString path = onFile ? link : link + QStringLiteral("/out.pdf");
    if (where == QLatin1String("up"))
        path = link + QStringLiteral("/../victims/out.pdf");
    if (where == QLatin1String("chain")) {
        path = dir.filePath(QStringLiteral("own.pdf"));
        QVERIFY(QFile::link(QStringLiteral("shared/x/out.pdf"), path));
    }

    const QByteArray document = "a new document\n";
    if (flipping) {
        // Between the writer's look and its rename, the name may turn into
        // a link: the victim must never be reached all the same.
        std::atomic<bool> stop{false};
        std::thread flipper([&] {
            const QByteArray target = QFile::encodeName(link);
            const QByteArray newLink = QFile::encodeName(shared + QStringLiteral("/l"));
            const QByteArray newFile = QFile::encodeName(shared + QStringLiteral("/f"));
            while (!stop.load()) {
                [[maybe_unused]] int ignored =
                    ::symlink(QFile::encodeName(victim).constData(), newLink.constData());
                ignored = ::lchown(newLink.constData(), otherUser, otherUser);
                ignored = ::rename(newLink.constData(), target.constData());
                const int fd = ::open(newFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                ignored = ::fchown(fd, otherUser, otherUser);
                ::close(fd);
                ignored = ::rename(newFile.constData(), target.constData());
            }
        });
        for (int i = 0; i < 200; ++i) {
            try {
                writeFileAtomically(link, document);
            } catch (const Fault&) {
            }
        }
        stop.store(true);
        flipper.join();
        QCOMPARE(contents(victim), QByteArray("the victim's own file\n"));
        return;
    }
    QString message;
    try {
        if (where == QLatin1String("pages"))
            writeFilesTogether({path, link + QStringLiteral("/a.pdf")}, {document, document});
        else
            writeFileAtomically(path, document);
    } catch (const Fault& fault) {
        message = fault.message();
    }
    const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    QVERIFY(QFileInfo(link).isSymLink());
    if (followed) {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        QCOMPARE(contents(victim), document);
    } else {
        QVERIFY2(message.contains(path) && message.contains(QLatin1String("not followed")),
                 qPrintable(message));
        QCOMPARE(contents(victim), QByteArray("the victim's own file\n"));
        QCOMPARE(QDir(victims).entryList(all), QStringList{QStringLiteral("out.pdf")});
        QCOMPARE(QFileInfo(link).symLinkTarget(), onFile ? victim : victims);
    }
    QCOMPARE(QDir(shared).entryList(all), QStringList{QFileInfo(link).fileName()});
}

QTEST_GUILESS_MAIN(LinkRuleTest)
#include "tst_linkrule.moc"

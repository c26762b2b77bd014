#include "tests/util/files/filetools.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"
#include "util/files/pendingfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace filetools;

class PendingFilesTest : public QObject {
    Q_OBJECT

private slots:
    void interruptedWritesLeaveNoTemporary_data();
    void interruptedWritesLeaveNoTemporary();
    void signalRemovesEveryPendingName_data();
    void signalRemovesEveryPendingName();
};

void PendingFilesTest::interruptedWritesLeaveNoTemporary_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("delay"); // milliseconds of writing before the signal
    QTest::addColumn<bool>("named");

    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (int delay : {5, 60, 200}) {
            QTest::addRow("%s after %d ms", strsignal(signal), delay) << signal << delay << true;
        }
        QTest::addRow("%s after 60 ms, unnamed temporaries", strsignal(signal))
            << signal << 60 << false;
    }
}

// Writers on several threads replace files over and over until a signal
// ends the process: it must end by that signal, and leave every file whole
// and no temporary file.
void PendingFilesTest::interruptedWritesLeaveNoTemporary()
{
    QFETCH(int, signal);
    QFETCH(int, delay);
    QFETCH(bool, named);

    QTemporaryDir dir;
    constexpr int writers = 4;
    constexpr qsizetype size = 1 << 20;
    int ready[2];
    QVERIFY(::pipe(ready) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        removePendingFilesOnSignals();
        useNamedTemporaryFiles(named);
        std::vector<std::thread> threads;
        for (int t = 0; t < writers; ++t) {
            threads.emplace_back([&dir, t] {
                const QString path = dir.filePath(QStringLiteral("out-%1.pdf").arg(t));
                for (char fill = 'a';; fill = fill == 'z' ? 'a' : char(fill + 1)) {
                    try {
                        writeFileAtomically(path, QByteArray(size, fill));
                    } catch (const Fault&) {
                        ::_exit(1);
                    }
                }
            });
        }
        [[maybe_unused]] const auto sent = ::write(ready[1], "r", 1);
        for (std::thread& thread : threads)
            thread.join();
        ::_exit(2);
    }
    ::close(ready[1]);
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
    ::close(ready[0]);
    QTest::qSleep(delay);
    QVERIFY(::kill(child, signal) == 0);
    int status = 0;
    QVERIFY(::waitpid(child, &status, 0) == child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == signal,
             qPrintable(QStringLiteral("status %1").arg(status)));

    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : left) {
        QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
        const QByteArray bytes = contents(dir.filePath(name));
        QCOMPARE(bytes.size(), size);
        QCOMPARE(bytes.count(bytes.front()), size);
    }
}

void PendingFilesTest::signalRemovesEveryPendingName_data()
{
    QTest::addColumn<int>("names");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("keptAside"); // 0: none; a file kept aside, 1: not yet, 2: replaced
    QTest::newRow("a few") << 10 << 1 << 0;
    // A set of 2048 pages replacing others holds two names a page.
    QTest::newRow("4100, from four threads at once") << 4100 << 4 << 0;
    QTest::newRow("a file kept aside, not yet replaced") << 10 << 1 << 1;
    QTest::newRow("a file kept aside and replaced") << 10 << 1 << 2;
}

// However many names are pending, from however many threads, a signal
// removes every one of them, and puts a file kept aside back as it was.
void PendingFilesTest::signalRemovesEveryPendingName()
{
    QFETCH(int, names);
    QFETCH(int, threads);
    QFETCH(int, keptAside);

    QTemporaryDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        removePendingFilesOnSignals();
        const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY);
        std::vector<std::thread> registering;
        std::vector<std::unique_ptr<PendingFile>> pending(static_cast<std::size_t>(names));
        for (int t = 0; t < threads; ++t) {
            registering.emplace_back([&, t] {
                for (int i = t; i < names; i += threads) {
                    const QByteArray name = "page-" + QByteArray::number(i);
                    ::close(::openat(folder, name.constData(), O_CREAT | O_WRONLY, 0600));
                    auto& file = pending[static_cast<std::size_t>(i)];
                    file = std::make_unique<PendingFile>(folder, name.constData());
                    file->settle();
                }
            });
        }
        for (std::thread& thread : registering)
            thread.join();
        if (keptAside > 0) {
            const auto write = [folder](const char* name, const char* text) {
                const int fd = ::openat(folder, name, O_CREAT | O_WRONLY, 0600);
                [[maybe_unused]] const auto written = ::write(fd, text, std::strlen(text));
                ::close(fd);
            };
            write("page", "old");
            PendingFile page(folder, "page");
            page.settle();
            PendingFile kept(folder, ".kept", "page");
            ::linkat(folder, "page", folder, ".kept", 0);
            kept.settle();
            if (keptAside == 2) {
                write("new", "new");
                ::renameat(folder, "new", folder, "page");
            }
            ::kill(::getpid(), SIGTERM); // while both names are pending
        }
        ::kill(::getpid(), SIGTERM);
        ::_exit(2);
    }
    int status = 0;
    QVERIFY(::waitpid(child, &status, 0) == child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM,
             qPrintable(QStringLiteral("status %1").arg(status)));
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, keptAside ? QStringList{"page"} : QStringList{});
    if (keptAside)
        QCOMPARE(contents(dir.filePath(QStringLiteral("page"))), QByteArray("old"));
}

QTEST_GUILESS_MAIN(PendingFilesTest)
#include "tst_pendingfiles.moc"

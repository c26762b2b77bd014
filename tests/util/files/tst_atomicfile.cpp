#include "util/fault.h"
#include "util/files/atomicfile.h"
#include "util/files/pendingfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Outcome {
    bool thrown = false;
    int kind = -1;
    QString message;
};

// A user other than the one running the tests, for folders and links that
// must belong to someone else; only root can arrange that.
constexpr uid_t otherUser = 12345;

bool isRoot() { return ::geteuid() == 0; }

// Runs the write in a child process, so a lowered file size limit (or the
// other user's identity, when `asOther` and root) binds the write alone. The
// child sends back what it caught. With `siblings`, they are written first,
// together with `path`, a line each.
Outcome writeInChild(const QString& path, const QByteArray& bytes, rlim_t sizeLimit,
                     bool asOther = false, const QStringList& siblings = {})
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        if (asOther && isRoot()
            && (::setresgid(otherUser, otherUser, otherUser) != 0
                || ::setresuid(otherUser, otherUser, otherUser) != 0))
            ::_exit(1);
        if (sizeLimit != RLIM_INFINITY) {
            const rlimit limit{sizeLimit, sizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        QByteArray report = "ok";
        try {
            if (siblings.isEmpty()) {
                writeFileAtomically(path, bytes);
            } else {
                std::vector<QByteArray> documents(std::size_t(siblings.size()), "a page\n");
                documents.push_back(bytes);
                writeFilesTogether(siblings + QStringList{path}, documents);
            }
        } catch (const Fault& fault) {
            report = QByteArray::number(int(fault.kind())) + ' ' + fault.message().toUtf8();
        }
        [[maybe_unused]] const auto sent = ::write(channel[1], report.constData(), report.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray report;
    char chunk[512];
    for (ssize_t got; (got = ::read(channel[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, got);
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);

    Outcome outcome;
    if (report != "ok") {
        outcome.thrown = true;
        const qsizetype space = report.indexOf(' ');
        outcome.kind = report.left(space).toInt();
        outcome.message = QString::fromUtf8(report.mid(space + 1));
    }
    return outcome;
}

// How a file is made before it is renamed into place: unnamed (O_TMPFILE),
// named from the start, or named after the file system refused an unnamed one.
enum Route { unnamed, named, refused };
const char* const routeNames[] = {"", ", named temporary", ", unnamed ones refused"};

void takeRoute(int route)
{
    useNamedTemporaryFiles(route == named);
    refuseUnnamedTemporaryFiles(route == refused);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class AtomicFileTest : public QObject {
    Q_OBJECT

private slots:
    void failedWriteLeavesTheOldFile_data();
    void failedWriteLeavesTheOldFile();
    void replacesWholeAndKeepsTheMode();
    void namesNearTheLimit_data();
    void namesNearTheLimit();
    void modesFollowTheUmaskUnderThreads_data();
    void modesFollowTheUmaskUnderThreads();
    void descriptorsAreWrittenInto_data();
    void descriptorsAreWrittenInto();
    void linksInSharedFolders_data();
    void linksInSharedFolders();
    void interruptedWritesLeaveNoTemporary_data();
    void interruptedWritesLeaveNoTemporary();
    void signalRemovesEveryPendingName_data();
    void signalRemovesEveryPendingName();

    void cleanup() { takeRoute(unnamed); }
};

void AtomicFileTest::failedWriteLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("name"); // in the test folder; "" for /dev/full; "a|b" together
    QTest::addColumn<bool>("existing");
    QTest::addColumn<qulonglong>("sizeLimit");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");

    const auto none = qulonglong(RLIM_INFINITY);
    const int open = int(FaultKind::CannotOpenFile);
    const int write = int(FaultKind::CannotWriteFile);
    for (bool existing : {false, true}) {
        QTest::addRow("file size limit%s", existing ? ", file exists" : "")
            << "out.pdf" << existing << qulonglong(40000) << write << "File too large";
    }
    for (bool existing : {false, true}) {
        QTest::addRow("pages together, the last too large%s", existing ? ", files exist" : "")
            << "page-1.svg|page-2.svg|page-3.svg" << existing << qulonglong(40000) << write
            << "File too large";
    }
    QTest::newRow("missing folder")
        << "no such folder/out.pdf" << false << none << open << "No such file";
    QTest::newRow("full device") << "" << false << none << write << "No space left";
    QTest::newRow("folder in the way") << "folder" << false << none << open << "Is a directory";
    // The file may be written, its folder not: the message says which.
    QTest::newRow("read-only folder")
        << "locked/out.pdf" << true << none << open << "is not writable";
}

void AtomicFileTest::failedWriteLeavesTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QFETCH(qulonglong, sizeLimit);
    QFETCH(int, kind);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QStringList siblings = name.split(u'|');
    const QString last = siblings.takeLast();
    const QString path = last.isEmpty() ? QStringLiteral("/dev/full") : dir.filePath(last);
    for (QString& sibling : siblings)
        sibling = dir.filePath(sibling);
    if (name == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    const bool locked = name.startsWith(QLatin1String("locked/"));
    if (locked)
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    const QByteArray old = "an earlier document\n";
    if (existing) {
        for (const QString& file : siblings + QStringList{path})
            QVERIFY(writeBytes(file, old));
    }
    if (locked) {
        const QString folder = dir.filePath(QStringLiteral("locked"));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        if (isRoot()) {
            QVERIFY(::chown(QFile::encodeName(folder).constData(), otherUser, otherUser) == 0);
            QVERIFY(::chown(QFile::encodeName(path).constData(), otherUser, otherUser) == 0);
        }
    }
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    const Outcome outcome =
        writeInChild(path, QByteArray(200000, 'p'), rlim_t(sizeLimit), locked, siblings);
    if (locked)
        ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("locked"))).constData(), 0755);
    QVERIFY(outcome.thrown);
    QCOMPARE(outcome.kind, kind);
    QVERIFY2(outcome.message.contains(path) && outcome.message.contains(reason),
             qPrintable(outcome.message));
    if (existing) {
        for (const QString& file : siblings + QStringList{path})
            QCOMPARE(contents(file), old);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             before);
    if (locked)
        QVERIFY(outcome.message.contains(QFileInfo(path).absolutePath()));
    struct stat device {};
    QVERIFY(::stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode));
}

void AtomicFileTest::replacesWholeAndKeepsTheMode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    writeFileAtomically(path, QByteArray(300000, 'a'));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    writeFileAtomically(path, "short");
    QCOMPARE(contents(path), QByteArray("short"));
    struct stat written {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &written) == 0);
    QCOMPARE(written.st_mode & 07777, mode_t(0640));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // Through a link, the file it names is replaced and the link stays.
    const QString link = dir.filePath(QStringLiteral("link.pdf"));
    QVERIFY(QFile::link(path, link));
    writeFileAtomically(link, "through the link");
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contents(path), QByteArray("through the link"));

    writeFileAtomically(QStringLiteral("/dev/null"), "gone"); // a device is written into
    struct stat device {};
    QVERIFY(::stat("/dev/null", &device) == 0 && S_ISCHR(device.st_mode));
}

void AtomicFileTest::namesNearTheLimit_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("route");

    const QByteArray longest = QByteArray(251, 'n') + ".pdf";
    const QByteArray accented = 'a' + QByteArray("\xc3\xa9").repeated(125) + ".pdf"; // 255 bytes
    for (int route : {unnamed, named, refused}) {
        const char* how = routeNames[route];
        QTest::addRow("255 bytes%s", how) << longest << false << route;
        QTest::addRow("255 bytes, file exists%s", how) << longest << true << route;
        QTest::addRow("255 bytes of UTF-8, file exists%s", how) << accented << true << route;
    }
}

void AtomicFileTest::namesNearTheLimit()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, existing);
    QFETCH(int, route);
    QCOMPARE(name.size(), 255);

    takeRoute(route);
    QTemporaryDir dir;
    const QString path = dir.filePath(QFile::decodeName(name));
    if (existing)
        QVERIFY_THROWS_NO_EXCEPTION(writeFileAtomically(path, "older"));
    QVERIFY_THROWS_NO_EXCEPTION(writeFileAtomically(path, "newer"));
    QCOMPARE(contents(path), QByteArray("newer"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void AtomicFileTest::modesFollowTheUmaskUnderThreads_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("route");
    for (int mask : {022, 077}) {
        for (int route : {unnamed, named, refused})
            QTest::addRow("umask %03o%s", mask, routeNames[route]) << mask << route;
    }
}

// Many writers at once, as the converter's jobs are: each file's mode must
// follow the umask, and the umask must be what it was.
void AtomicFileTest::modesFollowTheUmaskUnderThreads()
{
    QFETCH(int, mask);
    QFETCH(int, route);

    takeRoute(route);
    // Memory, where a sync costs nothing, lets the writes overlap far more.
    const QString memory = QStringLiteral("/dev/shm");
    QTemporaryDir dir(QFileInfo(memory).isWritable() ? memory + QStringLiteral("/modes-XXXXXX")
                                                     : QString());
    QVERIFY(dir.isValid());
    const mode_t before = ::umask(mode_t(mask));
    constexpr int threads = 16;
    constexpr int filesEach = 250;
    std::atomic<int> failures{0};
    {
        std::vector<std::jthread> writers;
        for (int t = 0; t < threads; ++t) {
            writers.emplace_back([&, t] {
                for (int i = 0; i < filesEach; ++i) {
                    try {
                        writeFileAtomically(dir.filePath(QStringLiteral("%1-%2.pdf").arg(t).arg(i)),
                                            QByteArray(4096, 'm'));
                    } catch (const Fault&) {
                        ++failures;
                    }
                }
            });
        }
    }
    const mode_t after = ::umask(before);
    QCOMPARE(after, mode_t(mask));
    QCOMPARE(failures.load(), 0);

    const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), threads * filesEach);
    int wrong = 0;
    for (const QString& file : files) {
        struct stat written {};
        QVERIFY(::stat(QFile::encodeName(dir.filePath(file)).constData(), &written) == 0);
        wrong += (written.st_mode & 07777) != (0666 & ~mode_t(mask));
    }
    QCOMPARE(wrong, 0);
}

void AtomicFileTest::descriptorsAreWrittenInto_data()
{
    QTest::addColumn<QString>("spelling"); // %1: the descriptor's number
    QTest::addColumn<bool>("pipe");        // else a file opened for appending

    for (bool pipe : {false, true}) {
        const char* kind = pipe ? "pipe" : "appending file";
        QTest::addRow("/dev/stdout, %s", kind) << "/dev/stdout" << pipe;
        QTest::addRow("/dev/fd/N, %s", kind) << "/dev/fd/%1" << pipe;
        QTest::addRow("/proc/self/fd/N, %s", kind) << "/proc/self/fd/%1" << pipe;
        QTest::addRow("a link to /dev/stdout, %s", kind) << "link to /dev/stdout" << pipe;
    }
}

// `-o /dev/stdout >> log` must add to the log, not replace it.
void AtomicFileTest::descriptorsAreWrittenInto()
{
    QFETCH(QString, spelling);
    QFETCH(bool, pipe);

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    const QByteArray earlier = "what the log held\n";
    QVERIFY(writeBytes(log, earlier));
    int channel[2] = {-1, -1};
    if (pipe)
        QVERIFY(::pipe(channel) == 0);

    const int number = spelling.contains(QLatin1String("%1")) ? 7 : STDOUT_FILENO;
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd =
            pipe ? channel[1] : ::open(QFile::encodeName(log).constData(), O_WRONLY | O_APPEND);
        if (fd < 0 || ::dup2(fd, number) < 0)
            ::_exit(3);
        QString name = number == STDOUT_FILENO ? spelling : spelling.arg(number);
        if (name.startsWith(QLatin1String("link to "))) {
            const QString link = dir.filePath(QStringLiteral("out.pdf"));
            if (!QFile::link(name.mid(8), link))
                ::_exit(4);
            name = link;
        }
        try {
            writeFileAtomically(name, "the document\n");
        } catch (const Fault&) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    QVERIFY(::waitpid(child, &status, 0) == child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    if (pipe) {
        ::close(channel[1]);
        QByteArray got(100, '\0');
        const ssize_t size = ::read(channel[0], got.data(), size_t(got.size()));
        ::close(channel[0]);
        QCOMPARE(got.left(qMax<ssize_t>(size, 0)), QByteArray("the document\n"));
        QCOMPARE(contents(log), earlier);
    } else {
        QCOMPARE(contents(log), earlier + "the document\n");
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks).size(), 1);
}

void AtomicFileTest::linksInSharedFolders_data()
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

void AtomicFileTest::linksInSharedFolders()
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

void AtomicFileTest::interruptedWritesLeaveNoTemporary_data()
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
void AtomicFileTest::interruptedWritesLeaveNoTemporary()
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

void AtomicFileTest::signalRemovesEveryPendingName_data()
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
void AtomicFileTest::signalRemovesEveryPendingName()
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

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "tst_atomicfile.moc"

#include "tests/util/files/filetools.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace filetools;

namespace {

struct Outcome {
    bool thrown = false;
    int kind = -1;
    QString message;
};

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

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "tst_atomicfile.moc"

#include "util/atomicfile.h"
#include "util/fault.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs the write in a child process, so a lowered file size limit binds the
// write alone. The child sends back what it caught.
Outcome writeInChild(const QString& path, const QByteArray& bytes, rlim_t sizeLimit)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        if (sizeLimit != RLIM_INFINITY) {
            const rlimit limit{sizeLimit, sizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        QByteArray report = "ok";
        try {
            writeFileAtomically(path, bytes);
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

} // namespace

class AtomicFileTest : public QObject {
    Q_OBJECT

private slots:
    void failedWriteLeavesTheOldFile_data();
    void failedWriteLeavesTheOldFile();
    void replacesWholeAndKeepsTheMode();
};

void AtomicFileTest::failedWriteLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("name");        // in the test folder; "" for /dev/full
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
    QTest::newRow("missing folder") << "no such folder/out.pdf" << false << none << open
                                    << "No such file";
    QTest::newRow("full device") << "" << false << none << write << "No space left";
    QTest::newRow("folder in the way") << "folder" << false << none << open << "Is a directory";
}

void AtomicFileTest::failedWriteLeavesTheOldFile()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QFETCH(qulonglong, sizeLimit);
    QFETCH(int, kind);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString path = name.isEmpty() ? QStringLiteral("/dev/full") : dir.filePath(name);
    if (name == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    const QByteArray old = "an earlier document\n";
    if (existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden
                                                          | QDir::NoDotAndDotDot);

    const Outcome outcome = writeInChild(path, QByteArray(200000, 'p'), rlim_t(sizeLimit));
    QVERIFY(outcome.thrown);
    QCOMPARE(outcome.kind, kind);
    QVERIFY2(outcome.message.contains(path) && outcome.message.contains(reason),
             qPrintable(outcome.message));
    if (existing)
        QCOMPARE(contents(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             before);
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

    writeFileAtomically(QStringLiteral("/dev/null"), "gone");   // a device is written into
    struct stat device {};
    QVERIFY(::stat("/dev/null", &device) == 0 && S_ISCHR(device.st_mode));
}

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "tst_atomicfile.moc"

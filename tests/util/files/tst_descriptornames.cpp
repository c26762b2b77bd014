#include "tests/util/files/filetools.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace filetools;

class DescriptorNamesTest : public QObject {
    Q_OBJECT

private slots:
    void descriptorsAreWrittenInto_data();
    void descriptorsAreWrittenInto();
};

void DescriptorNamesTest::descriptorsAreWrittenInto_data()
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
void DescriptorNamesTest::descriptorsAreWrittenInto()
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

QTEST_GUILESS_MAIN(DescriptorNamesTest)
#include "tst_descriptornames.moc"

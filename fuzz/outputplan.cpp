// Output planning and the atomic writer over generated file trees: folders,
// links to folders and files, dangling links, hard links, folders named like
// targets, existing outputs, several spellings of one place, and each way of
// naming outputs. Then the plan's targets are written as the converter writes
// them, several at once. Unless the plan refused the run, no two captures end
// in one file and every written target holds its own bytes; no capture is
// written over; every file holds its old bytes or new ones; new files follow
// the umask and old ones keep their mode; nothing else appears; and a refused
// run names two targets that really are one file.

#include "fuzz/fuzzinput.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"
#include "util/files/outputname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// One folder for every run of this process, on tmpfs where there is one,
// removed at exit.
char workName[64];

QString workFolder()
{
    if (workName[0] == 0) {
        std::strcpy(workName, QDir(QStringLiteral("/dev/shm")).exists()
                                  ? "/dev/shm/zelmar-plan-XXXXXX"
                                  : "/tmp/zelmar-plan-XXXXXX");
        if (!::mkdtemp(workName))
            fuzzFailed("cannot make a work folder", __FILE__, __LINE__);
        std::atexit([] { QDir(QFile::decodeName(workName)).removeRecursively(); });
    }
    return QFile::decodeName(workName);
}

struct Entry {
    enum Kind { File, Link, Folder } kind;
    QByteArray bytes; // a file's
    mode_t mode = 0;  // a file's
    QByteArray link;  // a link's target
};

// Every entry below `root`, links not followed, by relative path.
std::map<QString, Entry> snapshot(const QString& root)
{
    std::map<QString, Entry> out;
    std::vector<QString> folders{QString()};
    while (!folders.empty()) {
        const QString rel = folders.back();
        folders.pop_back();
        const QDir dir(rel.isEmpty() ? root : root + u'/' + rel);
        for (const QString& name :
             dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            const QString path = rel.isEmpty() ? name : rel + u'/' + name;
            const QByteArray native = QFile::encodeName(root + u'/' + path);
            struct stat info {};
            FUZZ_CHECK(::lstat(native.constData(), &info) == 0);
            Entry entry{Entry::File, {}, 0, {}};
            if (S_ISLNK(info.st_mode)) {
                entry.kind = Entry::Link;
                entry.link = QFile::encodeName(QFile::symLinkTarget(root + u'/' + path));
            } else if (S_ISDIR(info.st_mode)) {
                entry.kind = Entry::Folder;
                folders.push_back(path);
            } else {
                FUZZ_CHECK(S_ISREG(info.st_mode));
                QFile file(root + u'/' + path);
                FUZZ_CHECK(file.open(QIODevice::ReadOnly));
                entry.bytes = file.readAll();
                entry.mode = info.st_mode & 07777;
            }
            out.emplace(path, entry);
        }
    }
    return out;
}

bool statOf(const QString& path, struct stat& info)
{
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

const char* const folderNames[] = {"d0", "d1", "d2", "d3/sub"};
const char* const fileNames[] = {"x.csv", "x.txt", "x",         "x.pdf",      "x.svg", "y.csv",
                                 ".csv",  "x.png", "x.tar.csv", "timing.pdf", "y.pdf", "x.csv.pdf"};

class Tree {
public:
    Tree(FuzzInput& in, const QString& root) : in_(in), root_(root) {}

    // A place in the tree: the root or a folder, then maybe a file name.
    QString place(bool withName)
    {
        const std::uint8_t b = in_.byte();
        QString path = (b & 7) < 4 ? QString::fromLatin1(folderNames[b & 3]) : QString();
        if (b & 8)
            path += path.isEmpty() ? QStringLiteral("new") : QStringLiteral("/new");
        if (withName) {
            const QString name = QString::fromLatin1(fileNames[(b >> 4) % std::size(fileNames)]);
            path = path.isEmpty() ? name : path + u'/' + name;
        }
        return path;
    }

    // The same place written another way: relative to the working folder
    // (the root), through "./", or back out of a top-level entry with "..".
    QString spelling(const QString& rel)
    {
        const std::uint8_t b = in_.byte();
        switch (b % 5) {
        case 0: return rel.isEmpty() ? QStringLiteral(".") : rel;
        case 1: return root_ + u'/' + rel;
        case 2: return root_ + QStringLiteral("/./") + rel;
        case 3:
        case 4: {
            // Top-level entries lead only to folders inside the root, so
            // their ".." never leaves it.
            const QString via = QString::fromLatin1(folderNames[(b >> 3) % 3]);
            return root_ + u'/' + via + QStringLiteral("/../") + rel;
        }
        }
        return rel;
    }

    void build()
    {
        QDir(root_).mkpath(QStringLiteral("d3/sub"));
        for (int i = 0; i < 3; ++i) {
            const QString name = QString::fromLatin1(folderNames[i]);
            const std::uint8_t kind = in_.byte() % 4;
            if (kind == 0 || kind == 1) {
                QDir(root_).mkpath(name);
            } else if (kind == 2) {
                // A link to another folder, never to the root itself.
                const QString to = QString::fromLatin1(folderNames[(i + 1 + in_.byte() % 3) % 4]);
                QFile::link(root_ + u'/' + to, root_ + u'/' + name);
            }
        }
        const int files = in_.byte() % 8;
        for (int i = 0; i < files; ++i) {
            const std::uint8_t kind = in_.byte();
            const QString path = root_ + u'/' + place(true);
            switch (kind % 6) {
            case 0:
            case 1:
            case 2: {
                // Captures and earlier outputs alike: a few bytes, a mode.
                QFile file(path);
                if (file.open(QIODevice::WriteOnly)) {
                    file.write(QByteArrayLiteral("old ") + QByteArray::number(i) + '\n');
                    file.close();
                    static const mode_t modes[] = {0644, 0600, 0640, 0664};
                    ::chmod(QFile::encodeName(path).constData(), modes[(kind >> 3) % 4]);
                }
                break;
            }
            case 3:
                QFile::link(root_ + u'/' + place(true), path); // may dangle
                break;
            case 4:
                ::link(QFile::encodeName(root_ + u'/' + place(true)).constData(),
                       QFile::encodeName(path).constData());
                break;
            case 5: QDir().mkdir(path); break;
            }
        }
    }

private:
    FuzzInput& in_;
    QString root_;
};

QString extensionOf(std::uint8_t b)
{
    switch (b % 3) {
    case 1: return QStringLiteral(".svg");
    case 2: return QStringLiteral(".png");
    }
    return QStringLiteral(".pdf");
}

// How many dangling links in a row `path` names.
int danglingLinks(QString path)
{
    int links = 0;
    struct stat info {};
    while (links < 40 && !statOf(path, info) && QFileInfo(path).isSymLink()) {
        path = QFileInfo(path).symLinkTarget();
        ++links;
    }
    return links;
}

struct Job {
    QString target;
    QByteArray bytes;
    bool written = false;
};

// Writes the jobs `threads` at a time, as the converter does.
void writeAll(std::vector<Job>& jobs, int threads)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            try {
                writeFileAtomically(jobs[i].target, jobs[i].bytes);
                jobs[i].written = true;
            } catch (const Fault&) {
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (std::thread& t : pool)
        t.join();
}

void runOnce(FuzzInput& in, const QString& root)
{
    static const mode_t masks[] = {022, 077, 002, 027};
    const mode_t mask = masks[in.byte() % 4];
    const int threads = 1 + in.byte() % 4;
    ::umask(mask);
    Tree tree(in, root);
    tree.build();

    QStringList captures;
    const int count = 1 + in.byte() % 5;
    for (int i = 0; i < count; ++i)
        captures << tree.spelling(tree.place(true));
    const QString extension = extensionOf(in.byte());
    QString output, outputDir, combine;
    switch (in.byte() % 4) {
    case 1:
        if (captures.size() == 1)
            output = tree.spelling(tree.place(true));
        break;
    case 2: outputDir = tree.spelling(tree.place(false)); break;
    case 3: combine = tree.spelling(tree.place(true)); break;
    }

    const std::map<QString, Entry> before = snapshot(root);
    QHash<QString, QByteArray> captureBytes; // by real path
    for (const QString& capture : captures)
        if (QFileInfo(capture).isFile())
            captureBytes.insert(QFileInfo(capture).canonicalFilePath(), contents(capture));

    // Last, so that older inputs keep their meaning: a capture's pages, each
    // a file of its own.
    const int pageFiles = combine.isEmpty() ? 1 + in.byte() % 3 : 1;
    const OutputPlan plan = planOutputs(captures, output, outputDir, combine, extension, pageFiles);
    FUZZ_CHECK(plan.targets.size() == captures.size() && plan.overCapture.size() == captures.size()
               && plan.files.size() == captures.size());

    // Standard output is never planned here; the binder is written whole.
    std::vector<Job> jobs;
    const bool refused = !plan.collision.isEmpty();
    if (!combine.isEmpty()) {
        if (plan.binderOverCapture.isEmpty())
            jobs.push_back({combine, QByteArrayLiteral("binder\n")});
    } else {
        for (qsizetype i = 0; i < captures.size(); ++i) {
            if (!plan.overCapture[i].isEmpty() && !refused)
                continue;
            FUZZ_CHECK(plan.files[i].size() == (pageFiles == 1 ? 1 : pageFiles));
            for (qsizetype p = 0; p < plan.files[i].size(); ++p)
                jobs.push_back({plan.files[i][p], QByteArrayLiteral("new ") + QByteArray::number(i)
                                                      + ' ' + QByteArray::number(p) + '\n'});
        }
    }
    if (!outputDir.isEmpty())
        QDir().mkpath(outputDir);

    if (refused) {
        // Written anyway, one at a time: two of the writes must meet in one
        // file. A dangling link meets what it leads to only when that is
        // written first: the shorter chains go first.
        std::stable_sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) {
            return danglingLinks(a.target) < danglingLinks(b.target);
        });
        writeAll(jobs, 1);
        bool allWritten = true;
        std::map<std::pair<dev_t, ino_t>, int> seen;
        for (const Job& job : jobs) {
            struct stat info {};
            allWritten = allWritten && job.written && statOf(job.target, info);
            if (allWritten)
                ++seen[{info.st_dev, info.st_ino}];
        }
        FUZZ_CHECK(!allWritten || seen.size() < jobs.size());
        return;
    }

    writeAll(jobs, threads);
    FUZZ_CHECK(::umask(mask) == mask);

    // Each written target is a file of its own holding its own bytes.
    QHash<QString, const Job*> writtenAt; // real path -> job
    for (const Job& job : jobs) {
        if (!job.written)
            continue;
        FUZZ_CHECK(contents(job.target) == job.bytes);
        const QString real = QFileInfo(job.target).canonicalFilePath();
        FUZZ_CHECK(!real.isEmpty() && !writtenAt.contains(real));
        writtenAt.insert(real, &job);
    }
    for (auto it = captureBytes.cbegin(); it != captureBytes.cend(); ++it)
        FUZZ_CHECK(contents(it.key()) == it.value());

    const std::map<QString, Entry> after = snapshot(root);
    for (const auto& [path, entry] : after) {
        const auto old = before.find(path);
        const QString full = QFileInfo(root + u'/' + path).canonicalFilePath();
        const Job* job = writtenAt.value(full);
        if (old == before.end()) {
            // Only folders for --output-dir, and targets written new.
            if (entry.kind == Entry::Folder)
                continue;
            FUZZ_CHECK(entry.kind == Entry::File && job != nullptr);
            FUZZ_CHECK(entry.bytes == job->bytes);
            FUZZ_CHECK(entry.mode == (0666 & ~mask));
            continue;
        }
        if (entry.kind == Entry::Folder && old->second.kind == Entry::Folder)
            continue;
        if (entry.kind == Entry::Link && old->second.kind == Entry::Link) {
            FUZZ_CHECK(entry.link == old->second.link);
            continue;
        }
        if (entry.kind == Entry::File && old->second.kind == Entry::File) {
            FUZZ_CHECK(entry.bytes == old->second.bytes || (job && entry.bytes == job->bytes));
            FUZZ_CHECK(entry.mode == old->second.mode);
            continue;
        }
        // A link written over becomes a file: only a dangling one, and
        // only by its own target.
        FUZZ_CHECK(entry.kind == Entry::File && old->second.kind == Entry::Link && job
                   && entry.bytes == job->bytes && entry.mode == (0666 & ~mask));
    }
    for (const auto& [path, entry] : before)
        FUZZ_CHECK(after.count(path) == 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QString root = workFolder() + QStringLiteral("/run");
    QDir(root).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(root));
    const QString previousFolder = QDir::currentPath();
    FUZZ_CHECK(QDir::setCurrent(root));
    const mode_t previousMask = ::umask(022);

    runOnce(in, root);

    ::umask(previousMask);
    QDir::setCurrent(previousFolder);
    QDir(root).removeRecursively();
    return 0;
}

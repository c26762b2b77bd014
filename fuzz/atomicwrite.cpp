// The atomic writer on generated folder trees (shared sticky folders, links
// owned by others, read-only files, names at the length limit) under a
// generated umask, along paths that pass through links to folders and "..":
// whatever happens, every file that was there holds its old bytes or, for
// the one file written, the new bytes; a new file's mode follows the umask;
// nothing hidden is left; a link that another user planted in a shared
// folder is never followed, wherever it is on the way; the umask stays as
// it was.

#include "fuzz/fuzzinput.h"
#include "util/fault.h"
#include "util/files/atomicfile.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <ftw.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uid_t otherUser = 12345;
constexpr uid_t sharedFolderOwner = 12346;

struct Entry {
    char type = 0; // 'd', 'f', 'l'
    mode_t mode = 0;
    uid_t owner = 0;
    std::string bytes; // a file's bytes, a link's target
};
using Tree = std::map<std::string, Entry>;

std::string base;
Tree* walking = nullptr;

int record(const char* path, const struct stat* info, int, FTW*)
{
    const std::string relative = std::string(path).substr(base.size());
    Entry entry;
    entry.mode = info->st_mode & 07777;
    entry.owner = info->st_uid;
    if (S_ISDIR(info->st_mode)) {
        entry.type = 'd';
    } else if (S_ISLNK(info->st_mode)) {
        entry.type = 'l';
        char target[4096];
        const ssize_t n = ::readlink(path, target, sizeof target);
        entry.bytes.assign(target, std::size_t(n > 0 ? n : 0));
    } else {
        entry.type = 'f';
        QFile file(QFile::decodeName(path));
        if (file.open(QIODevice::ReadOnly))
            entry.bytes = file.readAll().toStdString();
    }
    (*walking)[relative] = entry;
    return 0;
}

Tree snapshot()
{
    Tree tree;
    walking = &tree;
    ::nftw(base.c_str(), record, 16, FTW_PHYS);
    return tree;
}

int removeOne(const char* path, const struct stat*, int type, FTW*)
{
    return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
}

int openUp(const char* path, const struct stat* info, int, FTW*)
{
    if (S_ISDIR(info->st_mode))
        ::chmod(path, 0755);
    return 0;
}

void clearBase()
{
    ::nftw(base.c_str(), openUp, 16, FTW_PHYS);
    ::nftw(base.c_str(), removeOne, 16, FTW_PHYS | FTW_DEPTH);
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The rule as the kernel states it, walked independently of the writer: one
// part of `path` at a time from the root, so that the folder reached never
// holds a link and ".." is the parent it names.
bool refusedByRule(const std::string& path)
{
    std::deque<std::string> parts;
    const auto add = [&parts](const std::string& spelling) {
        std::vector<std::string> names;
        std::size_t start = 0;
        for (std::size_t slash; (slash = spelling.find('/', start)) != std::string::npos;
             start = slash + 1)
            names.push_back(spelling.substr(start, slash - start));
        names.push_back(spelling.substr(start));
        parts.insert(parts.begin(), names.begin(), names.end());
    };
    std::string at = "/";
    add(path);
    for (int hops = 0; !parts.empty();) {
        const std::string part = parts.front();
        parts.pop_front();
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            at = at == "/" || folderOf(at).empty() ? "/" : folderOf(at);
            continue;
        }
        const std::string here = (at == "/" ? "" : at) + '/' + part;
        struct stat link {};
        if (::lstat(here.c_str(), &link) != 0)
            return false;
        if (!S_ISLNK(link.st_mode)) {
            // Past a file the walk ends as the kernel's does: not a folder, no rule.
            if (!S_ISDIR(link.st_mode) && !parts.empty())
                return false;
            at = here;
            continue;
        }
        struct stat folder {};
        if (::stat(at.c_str(), &folder) != 0)
            return false;
        if ((folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) && link.st_uid != ::geteuid()
            && link.st_uid != folder.st_uid)
            return true;
        char target[4096];
        const ssize_t n = ::readlink(here.c_str(), target, sizeof target - 1);
        if (n <= 0 || ++hops > 40)
            return false;
        const std::string spelt(target, std::size_t(n));
        if (spelt[0] == '/')
            at = "/";
        add(spelt);
    }
    return false;
}

// Where `path` leads when its last part is not followed.
std::string placeOf(const std::string& path)
{
    char* real = ::realpath(folderOf(path).c_str(), nullptr);
    const std::string place = real ? std::string(real) + path.substr(folderOf(path).size()) : path;
    std::free(real);
    return place;
}

const std::string& longName(std::size_t size)
{
    static std::map<std::size_t, std::string> names;
    std::string& name = names[size];
    if (name.empty())
        name = std::string(size - 4, 'n') + ".pdf";
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (base.empty()) {
        char folder[] = "/dev/shm/zelmar-atomicwrite-XXXXXX";
        char fallback[] = "/tmp/zelmar-atomicwrite-XXXXXX";
        const char* made = ::mkdtemp(folder);
        if (!made)
            made = ::mkdtemp(fallback);
        if (!made)
            std::abort();
        char* real = ::realpath(made, nullptr); // so that resolved paths start with it
        base = std::string(real ? real : made) + "/run";
        std::free(real);
        std::atexit([] {
            clearBase();
            ::rmdir(folderOf(base).c_str());
        });
    }
    clearBase();
    if (::mkdir(base.c_str(), 0755) != 0)
        std::abort();

    FuzzInput in(data, size);
    static const mode_t masks[] = {022, 077, 002, 027, 0, 007, 037, 066};
    static const mode_t fileModes[] = {0600, 0644, 0640, 0444, 0666, 0751};
    const std::uint8_t setup = in.byte();
    const mode_t mask = masks[setup & 7];
    useNamedTemporaryFiles(setup & 8);
    refuseUnnamedTemporaryFiles(setup & 16); // as FUSE refuses O_TMPFILE
    const bool root = ::geteuid() == 0;

    // Paths relative to base ("" is base itself), in order of making.
    std::vector<std::string> folders{""};
    std::vector<std::string> made;
    const int count = in.byte() % 12;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t kind = in.byte();
        const std::uint8_t parent = in.byte();
        const std::uint8_t extra = in.byte();
        static const std::string shortNames[] = {"a", "b", "c.pdf", "d", "\xc3\xa9.pdf"};
        const std::uint8_t pick = extra % 7;
        const std::string name = pick < 5 ? shortNames[pick] : longName(pick == 5 ? 255 : 250);
        const std::string relative = folders[parent % folders.size()] + '/' + name;
        const std::string path = base + relative;
        struct stat there {};
        if (::lstat(path.c_str(), &there) == 0)
            continue;
        switch (kind % 4) {
        case 0:
        case 3: {
            const bool shared = kind % 4 == 3;
            if (::mkdir(path.c_str(), 0755) != 0)
                continue;
            ::chmod(path.c_str(), shared ? 01777 : (extra & 0x80) ? 0555 : 0755);
            if (shared && root && (kind & 4))
                ::chown(path.c_str(), sharedFolderOwner, sharedFolderOwner);
            folders.push_back(relative);
            break;
        }
        case 1: {
            QFile file(QFile::decodeName(path.c_str()));
            if (!file.open(QIODevice::WriteOnly))
                continue;
            file.write("old " + QByteArray::number(i) + '\n');
            file.close();
            ::chmod(path.c_str(), fileModes[(extra >> 3) % 6]);
            break;
        }
        case 2: {
            const std::size_t choice = (extra >> 3) % (made.size() + 2);
            std::string target = choice < made.size() ? base + made[choice]
                                                      : base + "/missing" + std::to_string(choice);
            if (kind & 8) { // relative: to the base, from the link's folder
                std::string up;
                for (char c : folders[parent % folders.size()])
                    up += c == '/' ? "../" : "";
                target = up + target.substr(base.size() + 1);
            }
            if (::symlink(target.c_str(), path.c_str()) != 0)
                continue;
            const uid_t owners[] = {::geteuid(), otherUser, sharedFolderOwner};
            if (root)
                ::lchown(path.c_str(), owners[(kind >> 4) % 3], owners[(kind >> 4) % 3]);
            break;
        }
        }
        made.push_back(relative);
    }

    // Where to write: something made, or a new name in a folder.
    const std::uint8_t where = in.byte();
    std::string relative;
    if (where % 2 == 0 && !made.empty()) {
        relative = made[(where / 2) % made.size()];
    } else {
        static const std::string newNames[] = {"new.pdf", longName(255)};
        relative = folders[(where / 2) % folders.size()] + '/' + newNames[(where / 64) % 2];
    }
    std::string document = "new document\n";
    document.append(std::size_t(in.byte()) * 64, 'x');
    // On from there, as through a link to a folder: a name below, or up and over.
    static const std::string belowNames[] = {"new.pdf", "c.pdf", "a", longName(255)};
    const std::uint8_t below = in.byte();
    if (below % 4 != 0)
        relative += (below % 4 == 3 ? "/../" : "/") + belowNames[(below >> 2) % 4];
    if (below % 4 == 2)
        relative += "/new.pdf";
    const std::string path = base + relative;

    const Tree before = snapshot();
    const bool mustRefuse = refusedByRule(path);
    const mode_t previousMask = ::umask(mask);
    bool written = true;
    QString message;
    try {
        writeFileAtomically(QFile::decodeName(path.c_str()),
                            QByteArrayView(document.data(), qsizetype(document.size())));
    } catch (const Fault& fault) {
        written = false;
        message = fault.message();
    }
    FUZZ_CHECK(::umask(previousMask) == mask);
    const Tree after = snapshot();

    if (mustRefuse)
        FUZZ_CHECK(!written && message.contains(QLatin1String("not followed")));
    else
        FUZZ_CHECK(!message.contains(QLatin1String("not followed")));

    int holdingNew = 0;
    for (const auto& [name, entry] : after) {
        const auto earlier = before.find(name);
        const bool isNew = entry.type == 'f' && entry.bytes == document;
        holdingNew += isNew;
        if (earlier == before.end()) {
            // Only the file written may appear, with the umask's mode.
            FUZZ_CHECK(isNew && written);
            FUZZ_CHECK(entry.mode == (0666 & ~mask));
            continue;
        }
        const Entry& old = earlier->second;
        if (isNew && old.type == 'f') {
            FUZZ_CHECK(entry.mode == old.mode);
            continue;
        }
        if (isNew && old.type == 'l') {
            // A dangling link given as the path is replaced by the file.
            FUZZ_CHECK(name == placeOf(path).substr(base.size()) && entry.mode == (0666 & ~mask));
            continue;
        }
        FUZZ_CHECK(entry.type == old.type && entry.bytes == old.bytes && entry.mode == old.mode);
    }
    for (const auto& [name, entry] : before)
        FUZZ_CHECK(after.count(name) == 1);
    FUZZ_CHECK(holdingNew == (written ? 1 : 0));

    useNamedTemporaryFiles(false);
    refuseUnnamedTemporaryFiles(false);
    return 0;
}

// Page files written together: all of them or none, with the files they
// replaced put back.

#include "util/files/atomicfile.h"

#include "util/files/filecalls.h"
#include "util/files/pathwalk.h"
#include "util/files/pendingfiles.h"
#include "util/files/temporaryfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using filewriting::isName;
using filewriting::temporaryName;

namespace {

// A page file stays pending, for an interrupting signal to remove, until all
// its siblings are in place. Signals wait while it is written, so that one
// never finds a page half registered. Only a plain file is taken back: a
// device or a link's far end is left as written.
class PendingPage {
public:
    explicit PendingPage(const QString& file)
    {
        QByteArray name;
        folder_ = openFolderOf(QFile::encodeName(file), name);
        struct stat info {};
        if (folder_ < 0 || !isName(name)
            || (::fstatat(folder_, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                && !S_ISREG(info.st_mode)))
            return;
        pending_.emplace(folder_, name.constData());
    }
    ~PendingPage()
    {
        pending_.reset();
        if (folder_ >= 0)
            ::close(folder_);
    }
    PendingPage(const PendingPage&) = delete;
    PendingPage& operator=(const PendingPage&) = delete;

    void written()
    {
        if (pending_)
            pending_->settle();
    }

private:
    int folder_ = -1;
    std::optional<PendingFile> pending_;
};

// What a page file's path held before it was written, to undo the write
// when a sibling fails: a plain file replaced is kept under a hidden name
// beside it and put back, a path that held nothing is emptied again. As for
// signals, a device or a link's far end is left as written.
class FormerFile {
public:
    explicit FormerFile(const QString& file)
    {
        folder_ = openFolderOf(QFile::encodeName(file), name_);
        struct stat info {};
        if (folder_ < 0 || !isName(name_))
            return;
        if (::fstatat(folder_, name_.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            empty_ = errno == ENOENT;
            return;
        }
        if (!S_ISREG(info.st_mode))
            return;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray kept = temporaryName(name_);
            // A signal puts it back in place of whatever is there then.
            auto pending =
                std::make_unique<PendingFile>(folder_, kept.constData(), name_.constData());
            if (!pending->ok())
                return;
            const int linked =
                ::linkat(folder_, name_.constData(), folder_, kept.constData(), 0) == 0 ? 0 : errno;
            pending->settle();
            if (linked == 0) {
                kept_ = kept;
                pending_ = std::move(pending);
                return;
            }
            if (linked != EEXIST)
                break;
        }
        // No second name to keep it under: removed on failure, as a new file is.
        empty_ = true;
    }
    ~FormerFile()
    {
        if (!kept_.isEmpty())
            ::unlinkat(folder_, kept_.constData(), 0);
        pending_.reset();
        if (folder_ >= 0)
            ::close(folder_);
    }
    FormerFile(const FormerFile&) = delete;
    FormerFile& operator=(const FormerFile&) = delete;

    // The file kept is back in place; false when none was kept.
    bool putBack()
    {
        if (kept_.isEmpty())
            return false;
        // Never replaced: renaming one name of a file over another would
        // keep both, so the destructor drops the second one instead.
        struct stat kept {};
        struct stat now {};
        if (::fstatat(folder_, kept_.constData(), &kept, AT_SYMLINK_NOFOLLOW) == 0
            && ::fstatat(folder_, name_.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0
            && kept.st_dev == now.st_dev && kept.st_ino == now.st_ino)
            return true;
        if (::renameat(folder_, kept_.constData(), folder_, name_.constData()) == 0)
            kept_.clear();
        return true;
    }
    // Undoes a write that succeeded.
    void restore()
    {
        if (!putBack() && empty_)
            ::unlinkat(folder_, name_.constData(), 0);
    }

private:
    bool empty_ = false;
    int folder_ = -1;
    QByteArray name_;
    QByteArray kept_; // the hidden name the former file is kept under
    std::unique_ptr<PendingFile> pending_;
};

} // namespace

void writeFilesTogether(const QStringList& files, const std::vector<QByteArray>& documents)
{
    std::vector<std::unique_ptr<PendingPage>> pages;
    std::vector<std::unique_ptr<FormerFile>> formers;
    for (qsizetype i = 0; i < files.size(); ++i) {
        formers.push_back(std::make_unique<FormerFile>(files[i]));
        pages.push_back(std::make_unique<PendingPage>(files[i]));
        try {
            writeFileAtomically(files[i], documents[std::size_t(i)]);
            pages.back()->written();
        } catch (...) {
            pages.back()->written();
            // A signal meanwhile would remove what is put back here.
            const CleanupHold hold;
            if (hold.ok()) {
                // The failed write may have replaced its file before it failed.
                formers.back()->putBack();
                for (qsizetype written = 0; written < i; ++written)
                    formers[std::size_t(written)]->restore();
                pages.clear();
                formers.clear();
            }
            throw;
        }
    }
    // All pages are let go of at once, and the files they replaced with
    // them: a signal between two would keep part of the set.
    const CleanupHold hold;
    if (hold.ok()) {
        pages.clear();
        formers.clear();
    }
}

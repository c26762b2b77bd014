// Reading a capture file line by line, and the rule that decodes its bytes.

#include "capture/linereader.h"

#include "util/fault.h"

#include <algorithm>
#include <array>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Windows-1252 at 0x80 … 0x9F; the five unassigned bytes keep their C1 code.
constexpr std::array<char16_t, 32> cp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

#ifdef Q_OS_UNIX
const QString deviceText = QStringLiteral("is a device, not a file");

// Why the file at `name` is not read: a device (a terminal, /dev/zero) may
// wait for ever or never end. Looked at before anything opens it, as opening
// some of them waits or acts.
QString deviceRefusal(const QByteArray& name)
{
    struct stat info {};
    if (!name.isEmpty() && ::stat(name.constData(), &info) == 0
        && (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)))
        return deviceText;
    return QString();
}
#endif

} // namespace

QString decodeCaptureBytes(const char* data, qsizetype size)
{
    qsizetype ascii = 0;
    while (ascii < size && uchar(data[ascii]) < 0x80)
        ++ascii;
    if (ascii == size)
        return QString::fromLatin1(data, size);
    if (QByteArrayView(data + ascii, size - ascii).isValidUtf8())
        return QString::fromUtf8(data, size);

    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const uchar byte = uchar(data[i]);
        out[i] = byte >= 0x80 && byte < 0xA0 ? QChar(cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString decodeCaptureBytes(const QByteArray& bytes)
{
    return decodeCaptureBytes(bytes.constData(), bytes.size());
}

LineReader::LineReader(const QString& path, const std::optional<QByteArray>& preloaded)
    : path_(path)
{
    if (preloaded) {
        memory_.setData(*preloaded);
        memory_.open(QIODevice::ReadOnly);
        device_ = &memory_;
        return;
    }
    device_ = &file_;
#ifdef Q_OS_UNIX
    // Opened without waiting, so that a pipe is refused rather than waited on
    // (the file can change between a look at its type and the open). A
    // device is refused before it is opened at all.
    const QByteArray name = QFile::encodeName(path);
    QString refusal = deviceRefusal(name);
    const int fd = name.isEmpty() || !refusal.isEmpty()
                       ? -1
                       : ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw Fault(FaultKind::CannotOpenFile, !refusal.isEmpty() ? refusal
                                               : name.isEmpty()
                                                   ? QStringLiteral("no file name given")
                                                   : qt_error_string(errno))
            .inFile(path_);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        refusal = qt_error_string(errno);
    else if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        refusal = QStringLiteral("is a pipe, not a file");
    else if (S_ISDIR(info.st_mode))
        refusal = QStringLiteral("is a folder, not a file");
    else if (!S_ISREG(info.st_mode))
        refusal = deviceText;
    else
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // QFile's own buffer would only copy the chunks a second time.
    if (refusal.isEmpty()
        && !file_.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                       QFileDevice::AutoCloseHandle))
        refusal = file_.errorString();
    if (!refusal.isEmpty()) {
        ::close(fd);
        throw Fault(FaultKind::CannotOpenFile, refusal).inFile(path_);
    }
#else
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Fault(FaultKind::CannotOpenFile, file_.errorString()).inFile(path_);
#endif
}

std::optional<QByteArray> readOnceIfStream(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0 || S_ISREG(info.st_mode)
        || S_ISDIR(info.st_mode))
        return std::nullopt;
    if (const QString refusal = deviceRefusal(name); !refusal.isEmpty())
        throw Fault(FaultKind::CannotOpenFile, refusal).inFile(path);
    // A pipe is looked at through a descriptor that does not wait; only
    // once it is known to be one is it opened again to wait for a writer.
    const int look = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (look < 0)
        throw Fault(FaultKind::CannotOpenFile, qt_error_string(errno)).inFile(path);
    const bool stream =
        ::fstat(look, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
    if (stream && !S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode)) {
        ::close(look);
        throw Fault(FaultKind::CannotOpenFile, deviceText).inFile(path);
    }
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", look);
    int fd = stream ? ::open(self, O_RDONLY | O_CLOEXEC) : -1;
    if (stream && fd < 0 && errno == ENOENT) {
        // No /proc: by its name again, and it must be the same pipe.
        fd = ::open(name.constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
        struct stat again {};
        if (fd >= 0
            && (::fstat(fd, &again) != 0 || again.st_dev != info.st_dev
                || again.st_ino != info.st_ino)) {
            ::close(fd);
            fd = -1;
            errno = EAGAIN;
        }
    }
    const int error = errno;
    ::close(look);
    if (!stream)
        return std::nullopt; // a file after all, read where it lies
    if (fd < 0)
        throw Fault(FaultKind::CannotOpenFile, qt_error_string(error)).inFile(path);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Fault(FaultKind::CannotOpenFile, file.errorString()).inFile(path);
    }
    QByteArray bytes;
    qsizetype run = 0; // bytes since the last line end
    while (bytes.size() < LineReader::maxReadBytes && run <= LineReader::maxLineBytes) {
        const qsizetype start = bytes.size();
        const qint64 want =
            std::min<qint64>(LineReader::chunkSize, LineReader::maxReadBytes - start);
        bytes.resize(start + want);
        const qint64 got = file.read(bytes.data() + start, want);
        if (got < 0) {
            throw Fault(FaultKind::CannotOpenFile,
                        QStringLiteral("read failed: ") + file.errorString())
                .inFile(path);
        }
        bytes.resize(start + got);
        if (got == 0)
            break;
        for (qsizetype k = start; k < bytes.size(); ++k)
            run = bytes[k] == '\n' || bytes[k] == '\r' ? 0 : run + 1;
    }
    return bytes;
#else
    Q_UNUSED(path);
    return std::nullopt;
#endif
}

bool LineReader::fill()
{
    if (eof_)
        return false;
    if (read_ >= maxReadBytes) {
        throw Fault(FaultKind::Overflow,
                    QStringLiteral("more than %1 bytes before line %2 ends; not a capture file")
                        .arg(maxReadBytes)
                        .arg(line_ + 1))
            .inFile(path_)
            .atLine(line_ + 1);
    }
    buffer_.resize(chunkSize);
    const qint64 got = device_->read(buffer_.data(), chunkSize);
    if (got < 0) {
        throw Fault(FaultKind::CannotOpenFile,
                    QStringLiteral("read failed: ") + device_->errorString())
            .inFile(path_)
            .atLine(line_ + 1);
    }
    buffer_.resize(got);
    read_ += got;
    pos_ = 0;
    if (got == 0) {
        eof_ = true;
        device_->close();
        return false;
    }
    return true;
}

void LineReader::tooLong() const
{
    throw Fault(FaultKind::Overflow,
                QStringLiteral("line %1 is longer than %2 bytes; not a capture file")
                    .arg(line_ + 1)
                    .arg(maxLineBytes))
        .inFile(path_)
        .atLine(line_ + 1);
}

QString LineReader::readLine()
{
    QByteArray carried; // the start of the line, from earlier chunks
    for (;;) {
        if (pos_ >= buffer_.size() && !fill()) {
            if (!carried.isEmpty()) {
                ++line_;
                return decodeCaptureBytes(carried);
            }
            throw Fault(FaultKind::InputPastEnd,
                        QStringLiteral("the file ends before line %1").arg(line_ + 1))
                .inFile(path_)
                .atLine(line_ + 1);
        }
        const char* data = buffer_.constData();
        const qsizetype size = buffer_.size();
        if (afterCr_) {
            afterCr_ = false;
            if (data[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        qsizetype end = pos_;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        if (carried.size() + (end - pos_) > maxLineBytes)
            tooLong();
        if (end == size) {
            carried.append(data + pos_, size - pos_);
            pos_ = size;
            continue;
        }
        QString line;
        if (carried.isEmpty()) {
            line = decodeCaptureBytes(data + pos_, end - pos_);
        } else {
            carried.append(data + pos_, end - pos_);
            line = decodeCaptureBytes(carried);
        }
        afterCr_ = data[end] == '\r';
        pos_ = end + 1;
        ++line_;
        return line;
    }
}

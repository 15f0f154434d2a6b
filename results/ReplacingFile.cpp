#include "results/ReplacingFile.h"

#include "common/Failure.h"
#include "io/IoQueue.h"
#include "io/UniqueFd.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// As many links as the system itself follows before it gives up.
constexpr int MaxLinkHops = 40;

// Saves of one target that may run at once, each under a hidden name of its own.
constexpr int PartialSlots = 8;
constexpr char PartialMark[] = ".scrivlist-partial-";
constexpr qsizetype PartialMarkBytes = sizeof PartialMark - 1;
// A name too long to take the mark is cut, and kept apart from the other
// names cut the same way by part of its hash.
constexpr qsizetype NameHashDigits = 8;

// The system lets a program that is told to end go only once the write under
// way returns; in pieces this size a slow disk takes it in a moment.
constexpr qsizetype WritePieceBytes = qsizetype(64) << 10;

// Before the commit the file is taken to the disk in pieces this size, so no
// one call waits for more of it than a slow but working disk writes well
// within the I/O queue's time-out (8 MiB in 30 s is under 300 kB/s).
constexpr off_t FlushPieceBytes = off_t(8) << 20;

enum class TemporaryFile { UnnamedWhereOffered, Named };

QString followLinks(const QString& path)
{
    QFileInfo info(path);
    for (int hop = 0; hop < MaxLinkHops && info.isSymLink(); ++hop)
        info.setFile(info.symLinkTarget());
    if (info.isSymLink())
        throw Failure::fromErrno(ELOOP, path);
    return info.filePath();
}

// The name as it is, or cut at the start of a character to the given bytes.
QByteArray fitted(const QByteArray& name, qsizetype bytes)
{
    if (name.size() <= bytes)
        return name;
    qsizetype cut = bytes - 1 - NameHashDigits;
    while (cut > 0 && (uchar(name.at(cut)) & 0xC0) == 0x80)
        --cut;
    return name.left(cut) + '~' + QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(NameHashDigits);
}

// Takes the lock of the whole file for this open file, not for the process,
// so two saves in one program keep apart as well. 0, or why it was refused.
int lockWholeFile(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
}

// Failures here show again in the flush that follows, which reports them.
void flushInPieces(int fd, off_t bytes)
{
#ifdef SYNC_FILE_RANGE_WRITE
    for (off_t at = 0; at < bytes; at += FlushPieceBytes) {
        static_cast<void>(::sync_file_range(
            fd, at, FlushPieceBytes, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER));
        IoQueue::callReturned();
    }
#else
    Q_UNUSED(fd)
    Q_UNUSED(bytes)
#endif
}

class SavedFile : public ReplacingFile {
public:
    SavedFile(const QString& path, TemporaryFile kind) : path_(path)
    {
        const QFileInfo target(followLinks(path));
        if (target.isDir())
            fail(EISDIR);
        const QByteArray folder = QFile::encodeName(target.path());
        const QByteArray name = QFile::encodeName(target.fileName());
        const long folderNameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
        const qsizetype nameMax = folderNameMax > 0 ? folderNameMax : NAME_MAX;
        // Refused here, or it would fail only at the final rename.
        if (name.size() > nameMax)
            fail(ENAMETOOLONG);
        target_ = folder + '/' + name;
        const qsizetype partialNameMax = std::min<qsizetype>(nameMax, NAME_MAX);
        partialStem_ = folder + "/." + fitted(name, partialNameMax - 2 - PartialMarkBytes) + PartialMark;

        struct stat old = {};
        const bool replacing = ::stat(target_.constData(), &old) == 0;
        // A file its owner made read-only is not replaced behind their back.
        if (replacing && ::faccessat(AT_FDCWD, target_.constData(), W_OK, AT_EACCESS) != 0)
            fail(errno);
        removeStalePartials();
        if (kind == TemporaryFile::UnnamedWhereOffered)
            openUnnamed(folder);
        if (!fd_)
            openNamed();
        // Some file systems keep no permissions; the save goes on without.
        if (replacing)
            static_cast<void>(::fchmod(fd_.get(), old.st_mode & 07777));
    }

    ~SavedFile() override
    {
        // Gone before the lock goes with the descriptor, so no other save
        // ever finds it unlocked.
        if (!partialName_.isEmpty())
            ::unlink(partialName_.constData());
    }

    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;

    void write(QByteArrayView bytes) override
    {
        // A short write is followed by one more, which reports the cause.
        while (!bytes.isEmpty()) {
            const ssize_t written = ::write(fd_.get(), bytes.data(), size_t(std::min(bytes.size(), WritePieceBytes)));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                fail(written < 0 ? errno : EIO);
            IoQueue::callReturned();
            bytes = bytes.sliced(written);
            written_ += written;
        }
    }

    void commit() override
    {
        flushInPieces(fd_.get(), written_);
        if (::fdatasync(fd_.get()) != 0)
            fail(errno);
        if (partialName_.isEmpty()) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_.get());
            partialName_ = takeFreeSlot([&](const QByteArray& name) {
                return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                                                : errno;
            });
        }
        if (::rename(partialName_.constData(), target_.constData()) != 0)
            fail(errno);
        partialName_.clear();
    }

private:
    // Locked as well: it takes a hidden name for a moment at commit().
    void openUnnamed(const QByteArray& folder)
    {
        const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno != EOPNOTSUPP && errno != EISDIR)
                fail(errno);
            return;
        }
        fd_ = UniqueFd(fd);
        lockWholeFile(fd_.get(), F_WRLCK);
    }

    void openNamed()
    {
        partialName_ = takeFreeSlot([this](const QByteArray& name) {
            UniqueFd created(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (!created)
                return errno;
            // Refused: another save found it unlocked, took it for stale and
            // removes it. A file system without locks still saves.
            const int locked = lockWholeFile(created.get(), F_WRLCK);
            struct stat status = {};
            if (locked == EAGAIN || locked == EACCES || (::fstat(created.get(), &status) == 0 && status.st_nlink == 0))
                return EEXIST;
            fd_ = std::move(created);
            return 0;
        });
    }

    // Hidden files of this target that no running save holds locked were
    // left by saves that were killed. Anything not proven so stays.
    void removeStalePartials() const
    {
        for (int slot = 1; slot <= PartialSlots; ++slot) {
            const QByteArray name = partialName(slot);
            const UniqueFd stale(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            struct stat opened = {};
            struct stat named = {};
            if (stale && ::fstat(stale.get(), &opened) == 0 && S_ISREG(opened.st_mode)
                && lockWholeFile(stale.get(), F_RDLCK) == 0 && ::lstat(name.constData(), &named) == 0
                && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
                ::unlink(name.constData());
        }
    }

    // The first hidden name that attempt() takes; it answers 0, EEXIST for a
    // name already in use, or the reason the save cannot go on.
    QByteArray takeFreeSlot(const std::function<int(const QByteArray& name)>& attempt) const
    {
        for (int slot = 1; slot <= PartialSlots; ++slot) {
            QByteArray name = partialName(slot);
            const int error = attempt(name);
            if (error == 0)
                return name;
            if (error != EEXIST)
                fail(error);
        }
        fail(EEXIST);
    }

    QByteArray partialName(int slot) const { return partialStem_ + QByteArray::number(slot); }

    [[noreturn]] void fail(int error) const { throw Failure::fromErrno(error, path_); }

    QString path_;
    QByteArray target_;
    QByteArray partialStem_;
    QByteArray partialName_; // empty while the file has no name
    UniqueFd fd_;
    off_t written_ = 0;
};

} // namespace

std::unique_ptr<ReplacingFile> openReplacingFile(const QString& path)
{
    return std::make_unique<SavedFile>(path, TemporaryFile::UnnamedWhereOffered);
}

std::unique_ptr<ReplacingFile> openNamedReplacingFile(const QString& path)
{
    return std::make_unique<SavedFile>(path, TemporaryFile::Named);
}

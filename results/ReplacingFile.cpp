#include "ReplacingFile.h"

#include "Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace {

// Bytes written between two waits for the disk.
constexpr qint64 SyncEveryBytes = qint64(8) << 20;

// As many links as the system itself follows before it gives up.
constexpr int MaxLinkHops = 40;

QString followLinks(const QString& path)
{
    QFileInfo info(path);
    for (int hop = 0; hop < MaxLinkHops && info.isSymLink(); ++hop)
        info.setFile(info.symLinkTarget());
    if (info.isSymLink())
        throw Failure::fromErrno(ELOOP, path);
    return info.filePath();
}

// The temporary file is created under a short name of its own, so a name the
// folder cannot hold would only fail at the final rename; refuse it first.
void requireNameFits(const QString& target, const QString& path)
{
    const QFileInfo info(target);
    const long nameMax = ::pathconf(QFile::encodeName(info.path()).constData(), _PC_NAME_MAX);
    if (QFile::encodeName(info.fileName()).size() > (nameMax > 0 ? nameMax : NAME_MAX))
        throw Failure::fromErrno(ENAMETOOLONG, path);
}

class SavedFile : public ReplacingFile {
public:
    explicit SavedFile(const QString& path) : path_(path)
    {
        const QString target = followLinks(path);
        if (QFileInfo(target).isDir())
            throw Failure::fromErrno(EISDIR, path);
        requireNameFits(target, path);
        file_.setFileName(target);
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fail();
    }

    void write(QByteArrayView bytes) override
    {
        // A short write is followed by one more, which reports the cause.
        while (!bytes.isEmpty()) {
            const qint64 written = file_.write(bytes.data(), bytes.size());
            if (written <= 0)
                fail();
            bytes = bytes.sliced(written);
            unsyncedBytes_ += written;
        }
        if (unsyncedBytes_ >= SyncEveryBytes)
            syncToDisk();
    }

    void commit() override
    {
        if (!file_.commit())
            fail();
    }

private:
    // Made durable piece by piece: the wait for the disk at commit() then
    // covers only the last piece, so a long file never freezes the window.
    // A failure here is the write's, or it could go unreported at commit().
    void syncToDisk()
    {
#ifdef Q_OS_UNIX
        if (::fdatasync(file_.handle()) != 0)
            throw Failure::fromErrno(errno, path_);
#endif
        unsyncedBytes_ = 0;
    }

    [[noreturn]] void fail() const
    {
        throw Failure(file_.errorString() + QStringLiteral(": ") + path_);
    }

    QString path_;
    QSaveFile file_;
    qint64 unsyncedBytes_ = 0;
};

} // namespace

std::unique_ptr<ReplacingFile> openReplacingFile(const QString& path)
{
    return std::make_unique<SavedFile>(path);
}

#include "search/PosixFolderReader.h"

#include "io/IoQueue.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool isRealFolder(int folderFd, unsigned char type, const char* name)
{
    if (type != DT_UNKNOWN)
        return type == DT_DIR;
    struct stat status;
    const bool folder = ::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
    IoQueue::callReturned();
    return folder;
}

void sortEntry(int folderFd, unsigned char type, const char* name, NameList& files, NameList& subfolders)
{
    if (isDotOrDotDot(name))
        return;
    const QByteArrayView bytes(name, static_cast<qsizetype>(std::strlen(name)));
    (isRealFolder(folderFd, type, name) ? subfolders : files).add(bytes);
}

} // namespace

#ifdef __linux__

namespace {

// One call of the system fetches a whole folder of ordinary size.
constexpr size_t ListingBufferBytes = size_t(64) << 10;

} // namespace

int PosixFolderReader::read(int folderFd, const QByteArray&, NameList& files, NameList& subfolders)
{
    // Straight from the folder's descriptor: no directory stream to set up and tear down.
    alignas(dirent64) char buffer[ListingBufferBytes];
    for (;;) {
        const ssize_t filled = ::getdents64(folderFd, buffer, sizeof buffer);
        IoQueue::callReturned(); // a huge folder takes many calls, each within the time-out
        if (filled < 0)
            return errno;
        if (filled == 0)
            return 0;
        for (ssize_t at = 0; at < filled;) {
            const auto* const entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            sortEntry(folderFd, entry->d_type, entry->d_name, files, subfolders);
        }
    }
}

#else

int PosixFolderReader::read(int folderFd, const QByteArray&, NameList& files, NameList& subfolders)
{
    // The stream owns its descriptor; the caller keeps folderFd for opening the subfolders.
    const int streamFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (streamFd < 0)
        return errno;
    DIR* const stream = ::fdopendir(streamFd);
    if (stream == nullptr) {
        const int error = errno;
        ::close(streamFd);
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* const entry = ::readdir(stream);
        IoQueue::callReturned();
        if (entry == nullptr) {
            error = errno;
            break;
        }
        sortEntry(folderFd, entry->d_type, entry->d_name, files, subfolders);
    }
    ::closedir(stream);
    return error;
}

#endif

#include "FolderReader.h"

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

bool isRealFolder(int folderFd, const dirent& entry)
{
    if (entry.d_type != DT_UNKNOWN)
        return entry.d_type == DT_DIR;
    struct stat status;
    return ::fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

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
        if (entry == nullptr) {
            error = errno;
            break;
        }
        if (isDotOrDotDot(entry->d_name))
            continue;
        const QByteArrayView name(entry->d_name, static_cast<qsizetype>(std::strlen(entry->d_name)));
        (isRealFolder(folderFd, *entry) ? subfolders : files).add(name);
    }
    ::closedir(stream);
    return error;
}

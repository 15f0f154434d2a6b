#include "FileExists.h"

#include <QFile>

#include <sys/stat.h>

bool FileExists(const QString& path) noexcept
{
    if (path.isEmpty())
        return false;
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

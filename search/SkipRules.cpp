#include "search/SkipRules.h"

#include "search/FolderFeed.h"
#include "text/Paths.h"

namespace {

// A key for a look-up, without copying the bytes.
QByteArray borrowed(QByteArrayView bytes)
{
    return QByteArray::fromRawData(bytes.data(), bytes.size());
}

} // namespace

void SkipRules::addFolder(const QByteArray& path)
{
    folders_.insert(reportedFolderPath(path));
}

void SkipRules::addName(QByteArray name)
{
    names_.insert(std::move(name));
}

bool SkipRules::skips(QByteArrayView path, QByteArrayView name) const
{
    return names_.contains(borrowed(name)) || folders_.contains(borrowed(path));
}

bool SkipRules::skipsWalkOf(QByteArrayView folder) const
{
    // The folder itself, then each folder above it.
    for (qsizetype end = folder.size(); end > 0; end = folder.lastIndexOf(NativeSeparator, end - 1))
        if (folders_.contains(borrowed(folder.first(end))))
            return true;
    return folder.startsWith(NativeSeparator) && folders_.contains(QByteArray(1, NativeSeparator));
}

#include "search/FolderFeed.h"

#include "search/TreeLister.h"
#include "text/Paths.h"

#include <mutex>
#include <utility>

namespace {

std::mutex defaultReadAheadMutex;
ReadAhead defaultReadAheadValue;

} // namespace

FolderFeed::FolderFeed(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip,
                       ReadAhead readAhead)
    : lister_(std::make_shared<TreeLister>(std::move(reader), std::move(folder), includeSubfolders, std::move(skip),
                                           readAhead))
{
    lister_->start();
}

FolderFeed::~FolderFeed()
{
    lister_->cancel();
}

FolderFeed::Next FolderFeed::next(FolderListing& listing, std::chrono::milliseconds wait)
{
    return lister_->next(listing, wait);
}

ReadAhead FolderFeed::defaultReadAhead()
{
    std::lock_guard lock(defaultReadAheadMutex);
    return defaultReadAheadValue;
}

void FolderFeed::setDefaultReadAhead(const ReadAhead& readAhead)
{
    std::lock_guard lock(defaultReadAheadMutex);
    defaultReadAheadValue = readAhead;
}

QByteArray reportedFolderPath(const QByteArray& folder)
{
    QByteArray path;
    path.reserve(folder.size());
    for (const char c : folder)
        if (c != NativeSeparator || !path.endsWith(NativeSeparator))
            path.append(c);
    if (path.size() > 1 && path.endsWith(NativeSeparator))
        path.chop(1);
    return path;
}

#include "FolderFeed.h"

#include "ListerState.h"
#include "Paths.h"
#include "TreeLister.h"

#include <mutex>
#include <utility>

namespace {

std::mutex defaultReadAheadMutex;
ReadAhead defaultReadAheadValue;

} // namespace

FolderFeed::FolderFeed(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip,
                       ReadAhead readAhead)
    : shared_(std::make_shared<ListerState>(std::move(reader), includeSubfolders, readAhead))
{
    startWalker(shared_, std::move(folder), std::move(skip));
}

FolderFeed::~FolderFeed()
{
    shared_->work->giveUp();
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
    shared_->ready.clear();
    shared_->walkerWake.notify_all();
    shared_->jobQueued.notify_all();
}

FolderFeed::Next FolderFeed::next(FolderListing& listing, std::chrono::milliseconds wait)
{
    std::unique_lock lock(shared_->mutex);
    // Out of folders, the walk sleeps until a batch is ready; a wait that runs
    // out takes what is there, so a slow folder holds up no other.
    if (shared_->ready.empty())
        shared_->listingReady.wait_for(lock, wait,
                                       [&] { return shared_->ready.size() >= ListingsPerWakeUp || shared_->finished; });
    if (shared_->ready.empty())
        return shared_->finished ? Next::Finished : Next::Pending;
    listing = std::move(shared_->ready.front());
    shared_->ready.pop_front();
    shared_->changeHeldBytes(-listingBytes(listing.path, listing.files));
    // The walker waits until half the room is free, not for each folder.
    const ReadAhead& limits = shared_->limits;
    if (shared_->walkerWaitsForRoom
        && (shared_->ready.empty()
            || (static_cast<qsizetype>(shared_->ready.size()) <= limits.folders / 2
                && shared_->heldBytes() < limits.bytes))) {
        shared_->walkerWaitsForRoom = false;
        shared_->walkerWake.notify_one();
    }
    return Next::Ready;
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

#pragma once

#include "io/IoQueue.h"
#include "io/UniqueFd.h"
#include "search/FolderFeed.h"
#include "search/SkipRules.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

// Design map
// Owns: the read-ahead of one walk. The folders of the branch the walk is in, each open with the listings of its
//   next subfolders (and theirs) started in walk order; the listings done and waiting for the walk; the counts
//   that bound them.
// Threads: it has none. Whoever makes progress possible moves it on: an answered request on an I/O thread, or
//   the walk taking listings on the window's thread. It makes no call itself: every open, read and fstat is a
//   request to the I/O queue, in the lane of the device the folder is on, so a dead mount holds a queue thread,
//   never the walk; a listing its file system does not answer comes back as ETIMEDOUT after the queue's time-out.
// Shared: everything below, under mutex_; a request's results become the lister's when it is answered.
// Bounds: listings in flight (ReadAhead), folders and bytes held for the walk, listed folders kept open.

struct FolderIdentity {
    Device device = 0;
    ino_t inode = 0;
    bool operator==(const FolderIdentity& other) const { return device == other.device && inode == other.inode; }
};

using SharedFd = std::shared_ptr<const UniqueFd>;
struct ListingJob;

class TreeLister : public std::enable_shared_from_this<TreeLister> {
public:
    TreeLister(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip,
               const ReadAhead& limits);

    // Asks for the walk's own folder.
    void start();
    // The next folder in walk order, waiting for it at most `wait`.
    FolderFeed::Next next(FolderListing& listing, std::chrono::milliseconds wait);
    // Nothing more is wanted: what has not started is taken back, what is under way ends for nobody.
    void cancel();

    // The answers of its requests, on an I/O thread.
    struct Root;
    struct Listing;
    struct Reopen;
    void rootListed(Root& root, int error);
    void listed(Listing& listing, int error);
    void reopened(Reopen& reopen, int error);

private:
    struct Frame {
        qsizetype pathLength;
        FolderIdentity identity;
        SharedFd fd; // none while closed
        NameList subfolders;
        qsizetype next = 0; // the subfolder the walk takes next
        // The jobs of the subfolders from next on; none for a skipped one.
        std::deque<std::shared_ptr<ListingJob>> ahead;
    };
    // A listed folder whose subfolders are listed ahead.
    struct Place {
        const SharedFd& fd; // none while closed
        const NameList& subfolders;
        qsizetype taken; // subfolders the walk went into already
        std::deque<std::shared_ptr<ListingJob>>& ahead;
        QByteArrayView path;
        Device device;
    };
    struct FileSystem {
        Device device;
        int inFlight = 0;
        int recentWaits = 0; // of its last 64 listings or so, times 64
    };

    // Under the lock, all of them.
    void advance();
    void schedule();
    bool scheduleBelow(const Place& place, bool isTop);
    void startListing(const std::shared_ptr<ListingJob>& job);
    bool hasSlot(Device device);
    FileSystem& fileSystem(Device device);
    void push(const FolderIdentity& identity, SharedFd fd, NameList subfolders,
              std::deque<std::shared_ptr<ListingJob>> ahead = {});
    void enter(ListingJob& job);
    void leave();
    void parentUnreachable(int error);
    void deliver(FolderListing&& listing, bool counted);
    void deliverFailure(FolderListing::State state, int error, bool counted = false);
    bool roomForMore() const;
    void finish();
    void abandon(ListingJob& job);
    void releaseOpenSlot(ListingJob& job);
    QByteArray realPathOf(const QByteArray& path) const;
    // Each count is changed here only.
    void changeInFlight(Device device, int by);
    void noteListing(Device device, bool waited);
    void changeHeldBytes(qsizetype by) { heldBytes_ += by; }
    void changeKeptOpen(int by) { keptOpen_ += by; }
    void changePrefetched(qsizetype by) { prefetched_ += by; }

    const std::shared_ptr<FolderReader> reader_;
    const QByteArray folder_;
    const QByteArray rootPath_; // the walk's own folder as reported
    const bool includeSubfolders_;
    const SkipRules skip_;
    const ReadAhead limits_;

    std::mutex mutex_;
    std::condition_variable listingReady_; // to the walk
    std::deque<FolderListing> ready_;
    std::vector<Frame> frames_;
    std::vector<FileSystem> fileSystems_;
    std::shared_ptr<IoRequest> call_;      // the walk's own folder, or a folder opened again; the walk waits for it
    std::shared_ptr<ListingJob> entering_; // the job whose folder call_ opens again
    std::shared_ptr<const MountTable> mounts_;
    QByteArray realRoot_; // with its links resolved
    QByteArray path_;     // of the folder handed over last
    int inFlight_ = 0;
    qsizetype heldBytes_ = 0;  // of listings done and not yet taken by the walk
    int keptOpen_ = 0;         // listed folders left open for the walk to go into
    qsizetype prefetched_ = 0; // jobs in the frames' ahead
    bool waitsForRoom_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
};

#pragma once

#include "BackgroundThreads.h"
#include "FolderFeed.h"
#include "UniqueFd.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

// What a feed's walker, its helper threads and the walk share, all under its
// mutex unless said otherwise.

// A walk that waits is woken when this many folders are ready, not for each:
// every wake-up costs both threads a trip through the system.
inline constexpr size_t ListingsPerWakeUp = 8;

struct FolderIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderIdentity& other) const { return device == other.device && inode == other.inode; }
};

// Who an open folder is; a folder that cannot tell matches no other.
FolderIdentity identityOf(int fd);

// The held size of a listing: its path and its file names.
qsizetype listingBytes(const QByteArray& path, const NameList& files);

using SharedFd = std::shared_ptr<const UniqueFd>;

// One subfolder listed ahead of the walk, by a helper or by the walker.
struct ListingJob {
    SharedFd parent; // kept open until the folder is opened
    QByteArray name;
    QByteArray path;
    dev_t device;          // the parent's: whose listings in flight it counts with
    QByteArray fileSystem; // the mount it lies on: whose stuck threads refuse it
    // Written by the one who lists it, read once it is done.
    int error = 0;
    NameList files;
    NameList subfolders;
    SharedFd fd;             // open when kept for listing its subfolders ahead
    FolderIdentity identity; // when closed: who the walk must find on entering
    bool waited = false;     // the listing had to wait for the file system
    // The walker's: the jobs of its first subfolders, in order; none for a skipped one.
    std::deque<std::shared_ptr<ListingJob>> ahead;
    // Under the shared mutex.
    bool taken = false;
    bool done = false;
    bool abandoned = false;
    bool holdsOpenSlot = false; // one of the folders kept open

    qsizetype bytes() const { return listingBytes(path, error == 0 ? files : NameList()); }
};

// The one owner of a walk's shared state: the walker, its helpers and the
// walk (through the feed) change it only here, under its mutex.
struct ListerState {
    ListerState(std::shared_ptr<FolderReader> reader, bool includeSubfolders, const ReadAhead& limits)
        : reader(std::move(reader)), includeSubfolders(includeSubfolders), limits(limits)
    {
    }

    const std::shared_ptr<FolderReader> reader;
    const bool includeSubfolders;
    const ReadAhead limits;
    // The walker and the helpers work for it; given up when the feed goes.
    const std::shared_ptr<BackgroundThreads::Work> work = BackgroundThreads::instance().newWork();

    std::mutex mutex;
    std::condition_variable listingReady; // to the walk
    std::condition_variable walkerWake;   // to the walker: a listing done, room made, or cancelled
    std::condition_variable jobQueued;    // to the helpers
    std::deque<FolderListing> ready;
    std::deque<std::shared_ptr<ListingJob>> queued;
    struct FileSystem {
        dev_t device;
        int inFlight = 0;
        int recentWaits = 0; // of its last 64 listings or so, times 64
    };
    std::vector<FileSystem> fileSystems;
    int inFlight = 0;
    int helpers = 0;
    int idleHelpers = 0;
    int helpersCalled = 0;           // woken or started, not yet looking for a job
    bool walkerWaitsForRoom = false; // to hand a listing over
    bool finished = false;
    bool cancelled = false;

    FileSystem& fileSystem(dev_t device);

    // Bytes of listings done and not yet taken by the walk: held from the
    // end of a listing (or the walker's own) until the walk takes it or it is
    // abandoned. Changed only by changeHeldBytes().
    qsizetype heldBytes() const { return heldBytes_; }
    void changeHeldBytes(qsizetype by) { heldBytes_ += by; }
    // Under the lock: the walker takes the job's open folder, or it is abandoned.
    void releaseOpenSlot(ListingJob& job);

    bool hasSlot(dev_t device);

    // Lists a taken job, noting whether it waited long; called without the
    // lock. The folder stays open when the walk will go into it.
    UniqueFd list(ListingJob& job);

    UniqueFd openAndRead(ListingJob& job);

    // Under the lock, after list().
    void finish(ListingJob& job);

    // A helper: lists queued jobs until the walk is over.
    static void help(const std::shared_ptr<ListerState>& shared);

    // Whether a helper may leave a listed folder open for the walker.
    bool keepOpen(ListingJob& job);

    void answerCall();

    // Under the lock: counts the job in flight and queues it for a helper.
    void queue(std::shared_ptr<ListingJob> job);

    // Under the lock: one helper on its way for each queued job, as far as
    // there may be helpers; an idle one is woken before another is started.
    void callHelpers(const std::shared_ptr<ListerState>& self);

    // False when the system has no thread to spare; the walker lists alone then.
    static bool startHelper(const std::shared_ptr<ListerState>& self);

    // Under the lock: the job is no longer wanted.
    void abandon(ListingJob& job);

private:
    qsizetype heldBytes_ = 0;
    int foldersKeptOpen_ = 0; // listed folders left open for the walker; see keepOpen()
};

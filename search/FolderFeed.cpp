#include "FolderFeed.h"

#include "Paths.h"
#include "UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A walk that waits is woken when this many folders are ready, not for each:
// every wake-up costs both threads a trip through the system.
constexpr size_t ListingsPerWakeUp = 8;
// Folders of the current branch kept open for opening their subfolders;
// deeper ones are closed and opened again through ".." on the way back, so no
// depth runs out of descriptors.
constexpr size_t OpenFoldersKept = 32;
// Folders listed ahead that stay open, so their subfolders can be listed
// ahead too; others are opened again when the walk enters them.
constexpr int ListedFoldersKeptOpen = 32;

// A file system keeps as many listings in flight as of its last this many
// listings had to wait for it (a round trip to a server, a disk read), at
// least one. A warm disk lists on the processor, where more listings at once
// only compete with the walk for the cores; now and then a wait of its own
// changes nothing there.
constexpr int RecentListings = 64;
// Shorter waits are the system's own (a lock, a page): no reason to go wide.
constexpr std::chrono::microseconds LongWait{100};

// Times this thread gave up the processor to wait, as far as the system tells.
long waitsOfThisThread()
{
#ifdef RUSAGE_THREAD
    struct rusage usage {};
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
#else
    return 0;
#endif
}

std::mutex defaultReadAheadMutex;
ReadAhead defaultReadAheadValue;

void appendComponent(QByteArray& path, QByteArrayView name)
{
    if (!path.endsWith(NativeSeparator))
        path.append(NativeSeparator);
    path.append(name);
}

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity& other) const { return device == other.device && inode == other.inode; }
};

// Who an open folder is; a folder that cannot tell matches no other.
Identity identityOf(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return {};
    return {status.st_dev, status.st_ino};
}

// The held size of a listing: its path and its file names.
qsizetype heldBytes(const QByteArray& path, const NameList& files)
{
    return path.size() + files.byteSize();
}

using SharedFd = std::shared_ptr<const UniqueFd>;

// One subfolder listed ahead of the walk, by a helper or by the walker.
struct Job {
    SharedFd parent; // kept open until the folder is opened
    QByteArray name;
    QByteArray path;
    dev_t device; // the parent's: where the listing goes
    // Written by the one who lists it, read once it is done.
    int error = 0;
    NameList files;
    NameList subfolders;
    SharedFd fd;         // open when kept for listing its subfolders ahead
    Identity identity;   // when closed: who the walk must find on entering
    bool waited = false; // the listing had to wait for the file system
    // The walker's: the jobs of its first subfolders, in order; none for a skipped one.
    std::deque<std::shared_ptr<Job>> ahead;
    // Under the shared mutex.
    bool taken = false;
    bool done = false;
    bool abandoned = false;
    bool keptOpen = false; // counted in keptOpen

    qsizetype bytes() const { return heldBytes(path, error == 0 ? files : NameList()); }
};

} // namespace

struct FolderFeedQueue {
    FolderFeedQueue(std::shared_ptr<FolderReader> reader, bool includeSubfolders, const ReadAhead& limits)
        : reader(std::move(reader)), includeSubfolders(includeSubfolders), limits(limits)
    {
    }

    const std::shared_ptr<FolderReader> reader;
    const bool includeSubfolders;
    const ReadAhead limits;

    std::mutex mutex;
    std::condition_variable listingReady; // to the walk
    std::condition_variable walkerWake;   // to the walker: a listing done, room made, or cancelled
    std::condition_variable jobQueued;    // to the helpers
    std::deque<FolderListing> ready;
    std::deque<std::shared_ptr<Job>> queued;
    struct FileSystem {
        dev_t device;
        int inFlight = 0;
        int recentWaits = 0; // of the last RecentListings listings or so, times RecentListings
    };
    std::vector<FileSystem> fileSystems;
    int inFlight = 0;
    int helpers = 0;
    int idleHelpers = 0;
    int helpersCalled = 0;           // woken or started, not yet looking for a job
    int keptOpen = 0;                // listed folders left open for the walker
    qsizetype heldBytes = 0;         // of listings done and not yet taken by the walk
    bool walkerWaitsForRoom = false; // to hand a listing over
    bool finished = false;
    bool cancelled = false;

    FileSystem& fileSystem(dev_t device)
    {
        for (FileSystem& known : fileSystems)
            if (known.device == device)
                return known;
        return fileSystems.emplace_back(FileSystem{device});
    }

    bool hasSlot(dev_t device)
    {
        const FileSystem& on = fileSystem(device);
        const int cap = std::clamp(on.recentWaits / RecentListings, 1, limits.listingsPerFileSystem);
        return inFlight < limits.listings && on.inFlight < cap;
    }

    // Lists a taken job, noting whether it waited long; called without the
    // lock. The folder stays open when the walk will go into it.
    UniqueFd list(Job& job)
    {
        const long waitsBefore = waitsOfThisThread();
        const auto start = std::chrono::steady_clock::now();
        UniqueFd fd = openAndRead(job);
        job.waited = std::chrono::steady_clock::now() - start >= LongWait && waitsOfThisThread() != waitsBefore;
        return fd;
    }

    UniqueFd openAndRead(Job& job)
    {
        try {
            UniqueFd fd(
                ::openat(job.parent->get(), job.name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            job.parent.reset();
            if (!fd) {
                job.error = errno;
                return fd;
            }
            job.error = reader->read(fd.get(), job.path, job.files, job.subfolders);
            if (job.error == 0 && includeSubfolders && !job.subfolders.isEmpty())
                return fd;
        } catch (const std::bad_alloc&) {
            job.error = ENOMEM;
        }
        return {};
    }

    // Under the lock, after list().
    void finish(Job& job)
    {
        job.done = true;
        --inFlight;
        FileSystem& on = fileSystem(job.device);
        --on.inFlight;
        on.recentWaits += (job.waited ? RecentListings : 0) - on.recentWaits / RecentListings;
        if (job.abandoned) {
            keptOpen -= job.keptOpen ? 1 : 0;
            return;
        }
        heldBytes += job.bytes();
        walkerWake.notify_one();
    }

    // A helper: lists queued jobs until the walk is over.
    static void help(const std::shared_ptr<FolderFeedQueue>& shared)
    {
        std::unique_lock lock(shared->mutex);
        shared->answerCall();
        for (;;) {
            if (shared->cancelled || shared->finished)
                break;
            if (shared->queued.empty()) {
                ++shared->idleHelpers;
                shared->jobQueued.wait(lock);
                --shared->idleHelpers;
                shared->answerCall();
                continue;
            }
            const std::shared_ptr<Job> job = std::move(shared->queued.front());
            shared->queued.pop_front();
            job->taken = true;
            if (job->abandoned) {
                shared->finish(*job);
                continue;
            }
            lock.unlock();
            UniqueFd fd = shared->list(*job);
            if (fd && shared->keepOpen(*job)) {
                job->fd = std::make_shared<const UniqueFd>(std::move(fd));
            } else if (fd) {
                job->identity = identityOf(fd.get());
                fd.reset();
            }
            lock.lock();
            shared->finish(*job);
        }
        --shared->helpers;
    }

    // Whether a helper may leave a listed folder open for the walker.
    bool keepOpen(Job& job)
    {
        std::lock_guard lock(mutex);
        if (keptOpen >= ListedFoldersKeptOpen)
            return false;
        ++keptOpen;
        job.keptOpen = true;
        return true;
    }

    void answerCall()
    {
        if (helpersCalled > 0)
            --helpersCalled;
    }

    // Under the lock: counts the job in flight and queues it for a helper.
    void queue(std::shared_ptr<Job> job)
    {
        ++inFlight;
        ++fileSystem(job->device).inFlight;
        queued.push_back(std::move(job));
    }

    // Under the lock: one helper on its way for each queued job, as far as
    // there may be helpers; an idle one is woken before another is started.
    void callHelpers(const std::shared_ptr<FolderFeedQueue>& self)
    {
        for (auto uncalled = static_cast<int>(queued.size()) - helpersCalled; uncalled > 0; --uncalled) {
            if (idleHelpers > helpersCalled) {
                jobQueued.notify_one();
            } else if (helpers < limits.listings && startHelper(self)) {
                ++helpers;
            } else {
                return;
            }
            ++helpersCalled;
        }
    }

    // False when the system has no thread to spare; the walker lists alone then.
    static bool startHelper(const std::shared_ptr<FolderFeedQueue>& self)
    {
        try {
            std::thread([self] { help(self); }).detach();
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }

    // Under the lock: the job is no longer wanted.
    void abandon(Job& job)
    {
        job.abandoned = true;
        if (job.done) {
            heldBytes -= job.bytes();
            keptOpen -= job.keptOpen ? 1 : 0;
        }
    }
};

namespace {

// The walker thread: walks the tree depth first as the walk will, starting
// the listings ahead of it, and hands each folder over in turn.
class TreeLister {
public:
    TreeLister(std::shared_ptr<FolderFeedQueue> shared, QByteArray folder, SkipRules skip)
        : shared_(std::move(shared)), folder_(std::move(folder)), skip_(std::move(skip))
    {
    }

    void runToEnd() noexcept
    {
        try {
            run();
        } catch (...) {
            // Out of memory here: what is left of the tree is reported as unreadable.
            try {
                deliverFailure(FolderListing::State::Unreadable, ENOMEM);
            } catch (...) {
            }
        }
        std::lock_guard lock(shared_->mutex);
        for (Frame& frame : frames_)
            for (const std::shared_ptr<Job>& job : frame.ahead)
                if (job)
                    abandon(*job);
        shared_->finished = true;
        shared_->listingReady.notify_one();
        shared_->jobQueued.notify_all();
    }

private:
    struct Frame {
        qsizetype pathLength;
        SharedFd fd; // none while closed
        NameList subfolders;
        Identity identity;
        qsizetype next = 0; // the subfolder the walk takes next
        // The jobs of the subfolders from next on; none for a skipped one.
        std::deque<std::shared_ptr<Job>> ahead;
    };

    void run()
    {
        path_ = reportedFolderPath(folder_);
        if (skip_.skipsWalkOf(path_))
            return;
        struct stat status {};
        if (::stat(folder_.constData(), &status) != 0) {
            deliverFailure(FolderListing::State::NotAFolder, errno);
            return;
        }
        if (!S_ISDIR(status.st_mode)) {
            deliverFailure(FolderListing::State::NotAFolder, ENOTDIR);
            return;
        }
        UniqueFd fd(::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd) {
            deliverFailure(FolderListing::State::Unreadable, errno);
            return;
        }
        FolderListing listing;
        listing.path = path_;
        NameList subfolders;
        const int error = shared_->reader->read(fd.get(), path_, listing.files, subfolders);
        if (error != 0) {
            deliverFailure(FolderListing::State::Unreadable, error);
            return;
        }
        if (!deliver(std::move(listing), false))
            return;
        if (shared_->includeSubfolders && !subfolders.isEmpty())
            push(std::make_shared<const UniqueFd>(std::move(fd)), std::move(subfolders));
        while (!frames_.empty()) {
            Frame& top = frames_.back();
            if (top.next == top.subfolders.size()) {
                if (!leave())
                    return;
                continue;
            }
            const std::shared_ptr<Job> job = awaitNext();
            if (!job) {
                if (isCancelled())
                    return;
                continue; // skipped
            }
            path_ = job->path;
            if (job->error != 0) {
                if (!deliverFailure(FolderListing::State::Unreadable, job->error, true))
                    return;
                continue;
            }
            FolderListing next;
            next.path = job->path;
            next.files = std::move(job->files);
            if (!deliver(std::move(next), true))
                return;
            if (!job->subfolders.isEmpty() && shared_->includeSubfolders && !enter(*job))
                return;
        }
    }

    bool isCancelled()
    {
        std::lock_guard lock(shared_->mutex);
        return shared_->cancelled;
    }

    // The job of the top folder's next subfolder, once it is listed; none
    // when that subfolder is skipped or the walk is cancelled.
    std::shared_ptr<Job> awaitNext()
    {
        std::unique_lock lock(shared_->mutex);
        Frame& top = frames_.back();
        // The bounds in flight may keep even this one waiting for a slot.
        for (schedule(); top.ahead.empty(); schedule()) {
            shared_->callHelpers(shared_);
            if (shared_->cancelled)
                return {};
            shared_->walkerWake.wait(lock);
        }
        std::shared_ptr<Job> job = std::move(top.ahead.front());
        top.ahead.pop_front();
        ++top.next;
        if (!job) {
            shared_->callHelpers(shared_);
            return job;
        }
        while (!job->done) {
            if (shared_->cancelled)
                return {};
            // Alone in flight, the walker lists it itself rather than wake a helper for it.
            if (!job->taken && shared_->inFlight == 1) {
                listHere(lock, *job);
                break;
            }
            shared_->callHelpers(shared_);
            if (!job->taken && shared_->helpers == 0) {
                listHere(lock, *job);
                break;
            }
            shared_->walkerWake.wait(lock);
            schedule();
        }
        --prefetched_;
        shared_->heldBytes -= job->bytes();
        shared_->keptOpen -= job->keptOpen ? 1 : 0;
        return job;
    }

    // A job nobody has taken, listed by the walker; under the lock, which it lets go meanwhile.
    void listHere(std::unique_lock<std::mutex>& lock, Job& job)
    {
        auto& queued = shared_->queued;
        queued.erase(std::find_if(queued.begin(), queued.end(),
                                  [&](const std::shared_ptr<Job>& waiting) { return waiting.get() == &job; }));
        job.taken = true;
        lock.unlock();
        if (UniqueFd fd = shared_->list(job))
            job.fd = std::make_shared<const UniqueFd>(std::move(fd));
        lock.lock();
        shared_->finish(job);
    }

    // Under the lock: starts the listings the walk needs soonest, as far as
    // the bounds allow, in walk order: below the deepest folder first (its
    // subfolders listed ahead, with theirs, then the rest), then below the
    // folder above it, and so on.
    void schedule()
    {
        if (shared_->cancelled)
            return;
        for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
            const Place place{frame->fd,
                              frame->subfolders,
                              frame->next,
                              frame->ahead,
                              QByteArrayView(path_).first(frame->pathLength),
                              frame->identity.device};
            if (!scheduleBelow(place, frame == frames_.rbegin()))
                return;
        }
    }

    // A listed folder whose subfolders are listed ahead.
    struct Place {
        const SharedFd& fd; // none while closed
        const NameList& subfolders;
        qsizetype taken; // subfolders the walk went into already
        std::deque<std::shared_ptr<Job>>& ahead;
        QByteArrayView path;
        dev_t device;
    };

    // False when no more listings may start now.
    bool scheduleBelow(const Place& place, bool isTop)
    {
        for (const std::shared_ptr<Job>& job : place.ahead) {
            if (job && job->done
                && !scheduleBelow({job->fd, job->subfolders, 0, job->ahead, job->path, job->device}, false))
                return false;
        }
        if (!place.fd)
            return true; // closed: its subfolders wait until the walk is back
        const ReadAhead& limits = shared_->limits;
        for (qsizetype next = place.taken + static_cast<qsizetype>(place.ahead.size()); next < place.subfolders.size();
             ++next) {
            const bool walkNeedsItNext = isTop && place.ahead.empty();
            if (!walkNeedsItNext
                && (prefetched_ + static_cast<qsizetype>(shared_->ready.size()) >= limits.folders
                    || shared_->heldBytes >= limits.bytes))
                return false;
            if (shared_->inFlight >= limits.listings)
                return false;
            if (!shared_->hasSlot(place.device))
                return true;
            const QByteArrayView name = place.subfolders.at(next);
            QByteArray path = place.path.toByteArray();
            appendComponent(path, name);
            if (!skip_.isEmpty() && skip_.skips(path, name)) {
                place.ahead.push_back(nullptr);
                continue;
            }
            auto job = std::make_shared<Job>();
            job->parent = place.fd;
            job->name = name.toByteArray();
            job->path = std::move(path);
            job->device = place.device;
            place.ahead.push_back(job);
            ++prefetched_;
            shared_->queue(std::move(job));
        }
        return true;
    }

    // Under the lock: a job and all listed ahead below it are no longer wanted.
    void abandon(Job& job)
    {
        shared_->abandon(job);
        --prefetched_;
        for (const std::shared_ptr<Job>& below : job.ahead)
            if (below)
                abandon(*below);
    }

    void push(SharedFd fd, NameList subfolders, std::deque<std::shared_ptr<Job>> ahead = {})
    {
        const Identity identity = identityOf(fd->get());
        frames_.push_back({path_.size(), std::move(fd), std::move(subfolders), identity, 0, std::move(ahead)});
        // Listings in flight keep a closed folder's descriptor until they have opened theirs.
        if (frames_.size() > OpenFoldersKept)
            frames_[frames_.size() - 1 - OpenFoldersKept].fd.reset();
    }

    // Walks into a listed folder: it becomes the top, open for its subfolders.
    bool enter(Job& job)
    {
        if (job.fd) {
            push(std::move(job.fd), std::move(job.subfolders), std::move(job.ahead));
            return true;
        }
        // Closed after listing: it must be the same folder when opened again.
        UniqueFd fd(
            ::openat(frames_.back().fd->get(), job.name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd && identityOf(fd.get()) == job.identity) {
            push(std::make_shared<const UniqueFd>(std::move(fd)), std::move(job.subfolders));
            return true;
        }
        return deliverFailure(FolderListing::State::Unreadable, ENOENT);
    }

    // Done with the top folder: its parent becomes the top and must be open.
    bool leave()
    {
        const Frame done = std::move(frames_.back());
        frames_.pop_back();
        if (frames_.empty() || frames_.back().fd)
            return true;
        Frame& parent = frames_.back();
        if (done.fd) {
            UniqueFd up(::openat(done.fd->get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (up && identityOf(up.get()) == parent.identity) {
                parent.fd = std::make_shared<const UniqueFd>(std::move(up));
                return true;
            }
        }
        // The folder was moved away meanwhile; its other subfolders cannot be reached.
        {
            std::lock_guard lock(shared_->mutex);
            for (const std::shared_ptr<Job>& job : parent.ahead)
                if (job)
                    abandon(*job);
        }
        parent.ahead.clear();
        parent.next = parent.subfolders.size();
        path_.truncate(parent.pathLength);
        return deliverFailure(FolderListing::State::Unreadable, ENOENT);
    }

    bool deliverFailure(FolderListing::State state, int error, bool counted = false)
    {
        FolderListing listing;
        listing.state = state;
        listing.path = path_;
        listing.error = error;
        return deliver(std::move(listing), counted);
    }

    // Hands a listing to the walk, waiting while it holds as much as it may.
    // Counted: its bytes are held already.
    bool deliver(FolderListing&& listing, bool counted)
    {
        std::unique_lock lock(shared_->mutex);
        const ReadAhead& limits = shared_->limits;
        if (!counted)
            shared_->heldBytes += heldBytes(listing.path, listing.files);
        for (;;) {
            if (shared_->cancelled)
                return false;
            const auto& ready = shared_->ready;
            if (ready.empty()
                || (static_cast<qsizetype>(ready.size()) < limits.folders && shared_->heldBytes < limits.bytes))
                break;
            shared_->walkerWaitsForRoom = true;
            shared_->walkerWake.wait(lock);
        }
        shared_->ready.push_back(std::move(listing));
        if (shared_->ready.size() == ListingsPerWakeUp)
            shared_->listingReady.notify_one();
        return true;
    }

    std::shared_ptr<FolderFeedQueue> shared_;
    QByteArray folder_;
    SkipRules skip_;
    QByteArray path_; // of the folder handed over last
    std::vector<Frame> frames_;
    qsizetype prefetched_ = 0; // jobs in frames' ahead
};

} // namespace

FolderFeed::FolderFeed(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip,
                       ReadAhead readAhead)
    : shared_(std::make_shared<FolderFeedQueue>(std::move(reader), includeSubfolders, readAhead))
{
    auto lister = std::make_unique<TreeLister>(shared_, std::move(folder), std::move(skip));
    std::thread([lister = std::move(lister)] { lister->runToEnd(); }).detach();
}

FolderFeed::~FolderFeed()
{
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
    shared_->heldBytes -= heldBytes(listing.path, listing.files);
    // The walker waits until half the room is free, not for each folder.
    const ReadAhead& limits = shared_->limits;
    if (shared_->walkerWaitsForRoom
        && (shared_->ready.empty()
            || (static_cast<qsizetype>(shared_->ready.size()) <= limits.folders / 2
                && shared_->heldBytes < limits.bytes))) {
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

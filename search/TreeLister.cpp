#include "TreeLister.h"

#include "Paths.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

// Folders of the current branch kept open for opening their subfolders;
// deeper ones are closed and opened again through ".." on the way back, so no
// depth runs out of descriptors.
constexpr size_t OpenFoldersKept = 32;

void appendComponent(QByteArray& path, QByteArrayView name)
{
    if (!path.endsWith(NativeSeparator))
        path.append(NativeSeparator);
    path.append(name);
}

// The walker thread: walks the tree depth first as the walk will, starting
// the listings ahead of it, and hands each folder over in turn.
class TreeLister {
public:
    TreeLister(std::shared_ptr<ListerState> shared, QByteArray folder, SkipRules skip)
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
            } catch (...) { // NOLINT(bugprone-empty-catch): no memory even for that; the walk still ends below
            }
        }
        std::lock_guard lock(shared_->mutex);
        for (Frame& frame : frames_)
            for (const std::shared_ptr<ListingJob>& job : frame.ahead)
                if (job)
                    abandon(*job);
        shared_->finished = true;
        shared_->listingReady.notify_one();
        shared_->jobQueued.notify_all();
    }

private:
    struct Frame {
        qsizetype pathLength;
        QByteArray fileSystem;
        SharedFd fd; // none while closed
        NameList subfolders;
        FolderIdentity identity;
        qsizetype next = 0; // the subfolder the walk takes next
        // The jobs of the subfolders from next on; none for a skipped one.
        std::deque<std::shared_ptr<ListingJob>> ahead;
    };

    void run()
    {
        path_ = reportedFolderPath(folder_);
        if (skip_.skipsWalkOf(path_))
            return;
        const QByteArrayList points = shared_->reader->mountPoints();
        mountPoints_ = QSet<QByteArray>(points.begin(), points.end());
        fileSystem_ = mountPointAmong(path_, points);
        if (!BackgroundThreads::instance().answers(fileSystem_)) {
            deliverFailure(FolderListing::State::Unreadable, ETIMEDOUT);
            return;
        }
        FolderListing listing;
        listing.path = path_;
        NameList subfolders;
        UniqueFd fd;
        const auto [state, error] = openOwnFolder(fd, listing.files, subfolders);
        if (state != FolderListing::State::Listed) {
            deliverFailure(state, error);
            return;
        }
        if (!deliver(std::move(listing), false))
            return;
        if (shared_->includeSubfolders && !subfolders.isEmpty())
            push(fileSystem_, std::make_shared<const UniqueFd>(std::move(fd)), std::move(subfolders));
        while (!frames_.empty()) {
            Frame& top = frames_.back();
            if (top.next == top.subfolders.size()) {
                if (!leave())
                    return;
                continue;
            }
            const std::shared_ptr<ListingJob> job = awaitNext();
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

    // Opens and reads the walk's own folder; how that went and the errno.
    std::pair<FolderListing::State, int> openOwnFolder(UniqueFd& fd, NameList& files, NameList& subfolders)
    {
        const BackgroundThreads::SlowCall call(fileSystem_);
        struct stat status = {};
        if (::stat(folder_.constData(), &status) != 0)
            return {FolderListing::State::NotAFolder, errno};
        if (!S_ISDIR(status.st_mode))
            return {FolderListing::State::NotAFolder, ENOTDIR};
        fd = UniqueFd(::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd)
            return {FolderListing::State::Unreadable, errno};
        const int error = shared_->reader->read(fd.get(), path_, files, subfolders);
        return {error == 0 ? FolderListing::State::Listed : FolderListing::State::Unreadable, error};
    }

    bool isCancelled()
    {
        std::lock_guard lock(shared_->mutex);
        return shared_->cancelled;
    }

    // The job of the top folder's next subfolder, once it is listed; none
    // when that subfolder is skipped or the walk is cancelled.
    std::shared_ptr<ListingJob> awaitNext()
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
        std::shared_ptr<ListingJob> job = std::move(top.ahead.front());
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
        // Its bytes stay held until the walk takes its listing.
        shared_->releaseOpenSlot(*job);
        return job;
    }

    // A job nobody has taken, listed by the walker; under the lock, which it lets go meanwhile.
    void listHere(std::unique_lock<std::mutex>& lock, ListingJob& job)
    {
        auto& queued = shared_->queued;
        queued.erase(std::find_if(queued.begin(), queued.end(),
                                  [&](const std::shared_ptr<ListingJob>& waiting) { return waiting.get() == &job; }));
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
                              frame->identity.device,
                              frame->fileSystem};
            if (!scheduleBelow(place, frame == frames_.rbegin()))
                return;
        }
    }

    // A listed folder whose subfolders are listed ahead.
    struct Place {
        const SharedFd& fd; // none while closed
        const NameList& subfolders;
        qsizetype taken; // subfolders the walk went into already
        std::deque<std::shared_ptr<ListingJob>>& ahead;
        QByteArrayView path;
        dev_t device;
        const QByteArray& fileSystem;
    };

    // False when no more listings may start now.
    bool scheduleBelow(const Place& place, bool isTop)
    {
        for (const std::shared_ptr<ListingJob>& job : place.ahead) {
            if (job && job->done
                && !scheduleBelow({job->fd, job->subfolders, 0, job->ahead, job->path, job->device, job->fileSystem},
                                  false))
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
                    || shared_->heldBytes() >= limits.bytes))
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
            auto job = std::make_shared<ListingJob>();
            job->parent = place.fd;
            job->name = name.toByteArray();
            job->path = std::move(path);
            job->device = place.device;
            job->fileSystem = mountPoints_.contains(job->path) ? job->path : place.fileSystem;
            place.ahead.push_back(job);
            ++prefetched_;
            shared_->queue(std::move(job));
        }
        return true;
    }

    // Under the lock: a job and all listed ahead below it are no longer wanted.
    void abandon(ListingJob& job)
    {
        shared_->abandon(job);
        --prefetched_;
        for (const std::shared_ptr<ListingJob>& below : job.ahead)
            if (below)
                abandon(*below);
    }

    void push(const QByteArray& fileSystem, SharedFd fd, NameList subfolders,
              std::deque<std::shared_ptr<ListingJob>> ahead = {})
    {
        FolderIdentity identity;
        {
            const BackgroundThreads::SlowCall call(fileSystem);
            identity = identityOf(fd->get());
        }
        frames_.push_back(
            {path_.size(), fileSystem, std::move(fd), std::move(subfolders), identity, 0, std::move(ahead)});
        // Listings in flight keep a closed folder's descriptor until they have opened theirs.
        if (frames_.size() > OpenFoldersKept)
            frames_[frames_.size() - 1 - OpenFoldersKept].fd.reset();
    }

    // Walks into a listed folder: it becomes the top, open for its subfolders.
    bool enter(ListingJob& job)
    {
        if (job.fd) {
            push(job.fileSystem, std::move(job.fd), std::move(job.subfolders), std::move(job.ahead));
            return true;
        }
        // Closed after listing: it must be the same folder when opened again.
        bool same = false;
        UniqueFd fd;
        if (BackgroundThreads::instance().answers(job.fileSystem)) {
            const BackgroundThreads::SlowCall call(job.fileSystem);
            fd = UniqueFd(::openat(frames_.back().fd->get(), job.name.constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            same = fd && identityOf(fd.get()) == job.identity;
        }
        if (same) {
            push(job.fileSystem, std::make_shared<const UniqueFd>(std::move(fd)), std::move(job.subfolders));
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
        if (done.fd && BackgroundThreads::instance().answers(parent.fileSystem)) {
            const BackgroundThreads::SlowCall call(parent.fileSystem);
            UniqueFd up(::openat(done.fd->get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (up && identityOf(up.get()) == parent.identity) {
                parent.fd = std::make_shared<const UniqueFd>(std::move(up));
                return true;
            }
        }
        // The folder was moved away meanwhile; its other subfolders cannot be reached.
        {
            std::lock_guard lock(shared_->mutex);
            for (const std::shared_ptr<ListingJob>& job : parent.ahead)
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
            shared_->changeHeldBytes(listingBytes(listing.path, listing.files));
        for (;;) {
            if (shared_->cancelled)
                return false;
            const auto& ready = shared_->ready;
            if (ready.empty()
                || (static_cast<qsizetype>(ready.size()) < limits.folders && shared_->heldBytes() < limits.bytes))
                break;
            shared_->walkerWaitsForRoom = true;
            shared_->walkerWake.wait(lock);
        }
        shared_->ready.push_back(std::move(listing));
        if (shared_->ready.size() == ListingsPerWakeUp)
            shared_->listingReady.notify_one();
        return true;
    }

    std::shared_ptr<ListerState> shared_;
    QByteArray folder_;
    SkipRules skip_;
    QSet<QByteArray> mountPoints_;
    QByteArray fileSystem_; // of the walk's own folder
    QByteArray path_;       // of the folder handed over last
    std::vector<Frame> frames_;
    qsizetype prefetched_ = 0; // jobs in frames' ahead
};

} // namespace

void startWalker(const std::shared_ptr<ListerState>& shared, QByteArray folder, SkipRules skip)
{
    FolderListing listing;
    listing.path = reportedFolderPath(folder);
    auto lister = std::make_shared<TreeLister>(shared, std::move(folder), std::move(skip));
    if (BackgroundThreads::instance().start(shared->work, "scriv-walk", [lister] { lister->runToEnd(); }))
        return;
    // No thread to walk with: the folder is reported as one that cannot be read.
    listing.state = FolderListing::State::Unreadable;
    listing.error = EAGAIN;
    std::lock_guard lock(shared->mutex);
    shared->changeHeldBytes(listingBytes(listing.path, listing.files));
    shared->ready.push_back(std::move(listing));
    shared->finished = true;
}

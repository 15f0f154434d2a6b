#include "search/TreeLister.h"

#include "io/PathRequest.h"
#include "text/Paths.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utility>

namespace {

// Folders of the current branch kept open for opening their subfolders; deeper ones are closed and opened again
// through ".." on the way back, so no depth runs out of descriptors.
constexpr size_t OpenFoldersKept = 32;

// Folders listed ahead that stay open, so their subfolders can be listed ahead too; others are opened again when
// the walk enters them.
constexpr int ListedFoldersKeptOpen = 32;

// The walk is woken when this many folders are ready, not for each: every wake-up costs both threads a trip
// through the system.
constexpr size_t ListingsPerWakeUp = 8;

// A file system keeps as many listings in flight as of its last this many listings had to wait for it (a round
// trip to a server, a disk read), and at least ReadAhead::leastPerFileSystem. A warm disk lists on the
// processor, where more listings at once only compete with the walk for the cores; now and then a wait of its
// own changes nothing there.
constexpr int RecentListings = 64;
// Shorter waits are the system's own (a lock, a page): no reason to go wide.
constexpr std::chrono::microseconds LongWait{100};

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Times this thread gave up the processor to wait, as far as the system tells.
long waitsOfThisThread()
{
#ifdef RUSAGE_THREAD
    struct rusage usage = {};
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
#else
    return 0;
#endif
}

// Who an open folder is; a folder that cannot tell matches no other.
FolderIdentity identityOf(int fd)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return {};
    return {status.st_dev, status.st_ino};
}

// The held size of a listing: its path and its file names.
qsizetype listingBytes(const QByteArray& path, const NameList& files)
{
    return path.size() + files.byteSize();
}

void appendComponent(QByteArray& path, QByteArrayView name)
{
    if (!path.endsWith(NativeSeparator))
        path.append(NativeSeparator);
    path.append(name);
}

} // namespace

// One subfolder listed ahead of the walk.
struct ListingJob {
    QByteArray name;
    QByteArray path;
    Device device; // the lane: the parent's file system, or the one mounted here
    std::weak_ptr<IoRequest> request;
    // Once answered.
    int error = 0;
    NameList files;
    NameList subfolders;
    SharedFd fd;             // open when kept for listing its subfolders ahead
    FolderIdentity identity; // who the walk must find if it opens the folder again
    // The jobs of its first subfolders, in order; none for a skipped one.
    std::deque<std::shared_ptr<ListingJob>> ahead;
    bool done = false;
    bool abandoned = false;
    bool holdsOpenSlot = false;

    qsizetype bytes() const { return error == 0 ? listingBytes(path, files) : path.size(); }
};

// The walk's own folder: reached through its links like any path, then opened and read.
struct TreeLister::Root : PathRequest {
    Root(std::shared_ptr<TreeLister> lister, const QByteArray& folder)
        : PathRequest(folder, PathResolution::LastLink::Follow), lister(std::move(lister))
    {
    }

    void call(const QByteArray& folder, const QByteArray& reachedPath,
              const std::shared_ptr<const MountTable>& table) override
    {
        reached = reachedPath;
        mounts = table;
        try {
            struct stat status = {};
            const int statResult = ::stat(folder.constData(), &status);
            IoQueue::callReturned();
            if (statResult != 0 || !S_ISDIR(status.st_mode)) {
                state = FolderListing::State::NotAFolder;
                error = statResult != 0 ? errno : ENOTDIR;
                return;
            }
            fd = UniqueFd(::open(folder.constData(), FolderFlags));
            IoQueue::callReturned();
            if (!fd) {
                state = FolderListing::State::Unreadable;
                error = errno;
                return;
            }
            identity = identityOf(fd.get());
            error = lister->reader_->read(fd.get(), lister->rootPath_, files, subfolders);
            state = error == 0 ? FolderListing::State::Listed : FolderListing::State::Unreadable;
        } catch (const std::bad_alloc&) {
            state = FolderListing::State::Unreadable;
            error = ENOMEM;
        }
    }
    void answer(int queueError) override { lister->rootListed(*this, queueError); }

    const std::shared_ptr<TreeLister> lister;
    QByteArray reached;
    std::shared_ptr<const MountTable> mounts;
    FolderListing::State state = FolderListing::State::Listed;
    int error = 0;
    UniqueFd fd;
    FolderIdentity identity;
    NameList files;
    NameList subfolders;
};

// One subfolder: opened from its parent's descriptor, read, and told apart by its identity.
struct TreeLister::Listing : IoRequest {
    Listing(std::shared_ptr<TreeLister> lister, std::shared_ptr<ListingJob> job, SharedFd parent)
        : lister(std::move(lister)),
          job(std::move(job)),
          parent(std::move(parent)),
          name(this->job->name),
          path(this->job->path)
    {
    }

    std::optional<Device> run(IoQueue&, std::optional<Device>) override
    {
        const long waitsBefore = waitsOfThisThread();
        const auto start = std::chrono::steady_clock::now();
        try {
            fd = UniqueFd(::openat(parent->get(), name.constData(), FolderFlags | O_NOFOLLOW));
            error = fd ? 0 : errno;
            IoQueue::callReturned();
            parent.reset();
            if (fd)
                error = lister->reader_->read(fd.get(), path, files, subfolders);
            // Who it is matters only to a folder the walk goes into.
            if (fd && !subfolders.isEmpty())
                identity = identityOf(fd.get());
        } catch (const std::bad_alloc&) {
            error = ENOMEM;
        }
        waited = std::chrono::steady_clock::now() - start >= LongWait && waitsOfThisThread() != waitsBefore;
        return std::nullopt;
    }
    void answer(int queueError) override { lister->listed(*this, queueError); }

    const std::shared_ptr<TreeLister> lister;
    const std::shared_ptr<ListingJob> job;
    SharedFd parent;
    const QByteArray name;
    const QByteArray path;
    int error = 0;
    UniqueFd fd;
    FolderIdentity identity;
    NameList files;
    NameList subfolders;
    bool waited = false;
};

// A folder the walk comes back to, or goes into after its listing was closed: opened again, and only taken when
// it is still the folder that was listed.
struct TreeLister::Reopen : IoRequest {
    enum class Kind { Parent, Child };

    Reopen(std::shared_ptr<TreeLister> lister, Kind kind, SharedFd from, QByteArray name, FolderIdentity expected)
        : lister(std::move(lister)), kind(kind), from(std::move(from)), name(std::move(name)), expected(expected)
    {
    }

    std::optional<Device> run(IoQueue&, std::optional<Device>) override
    {
        const int flags = kind == Kind::Child ? FolderFlags | O_NOFOLLOW : FolderFlags;
        fd = UniqueFd(::openat(from->get(), name.constData(), flags));
        from.reset();
        same = fd && identityOf(fd.get()) == expected;
        return std::nullopt;
    }
    void answer(int queueError) override { lister->reopened(*this, queueError); }

    const std::shared_ptr<TreeLister> lister;
    const Kind kind;
    SharedFd from;
    const QByteArray name;
    const FolderIdentity expected;
    UniqueFd fd;
    bool same = false;
};

TreeLister::TreeLister(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip,
                       const ReadAhead& limits)
    : reader_(std::move(reader)),
      folder_(std::move(folder)),
      rootPath_(reportedFolderPath(folder_)),
      includeSubfolders_(includeSubfolders),
      skip_(std::move(skip)),
      limits_(limits)
{
}

void TreeLister::start()
{
    std::lock_guard lock(mutex_);
    path_ = rootPath_;
    if (skip_.skipsWalkOf(path_)) {
        finish();
        return;
    }
    call_ = std::make_shared<Root>(shared_from_this(), folder_);
    if (const int error = IoQueue::instance().submit(call_)) {
        call_.reset();
        deliverFailure(FolderListing::State::Unreadable, error);
        finish();
    }
}

FolderFeed::Next TreeLister::next(FolderListing& listing, std::chrono::milliseconds wait)
{
    std::unique_lock lock(mutex_);
    // Out of folders, the walk sleeps until a batch is ready; a wait that runs out takes what is there, so a slow
    // folder holds up no other.
    if (ready_.empty())
        listingReady_.wait_for(lock, wait, [&] { return ready_.size() >= ListingsPerWakeUp || finished_; });
    if (ready_.empty())
        return finished_ ? FolderFeed::Next::Finished : FolderFeed::Next::Pending;
    listing = std::move(ready_.front());
    ready_.pop_front();
    changeHeldBytes(-listingBytes(listing.path, listing.files));
    // The read-ahead goes on once half the room is free, not for each folder.
    if (waitsForRoom_
        && (ready_.empty()
            || (static_cast<qsizetype>(ready_.size()) <= limits_.folders / 2 && heldBytes_ < limits_.bytes))) {
        waitsForRoom_ = false;
        advance();
    }
    return FolderFeed::Next::Ready;
}

void TreeLister::cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (Frame& frame : frames_)
        for (const std::shared_ptr<ListingJob>& job : frame.ahead)
            if (job)
                abandon(*job);
    if (call_)
        IoQueue::instance().cancel(call_);
    call_.reset();
    entering_.reset();
    frames_.clear();
    ready_.clear();
}

void TreeLister::rootListed(Root& root, int error)
{
    std::lock_guard lock(mutex_);
    call_.reset();
    if (cancelled_)
        return;
    if (error != 0 || root.state != FolderListing::State::Listed) {
        deliverFailure(error != 0 ? FolderListing::State::Unreadable : root.state, error != 0 ? error : root.error);
        finish();
        return;
    }
    realRoot_ = root.reached;
    mounts_ = root.mounts;
    FolderListing listing;
    listing.path = path_;
    listing.files = std::move(root.files);
    deliver(std::move(listing), false);
    if (includeSubfolders_ && !root.subfolders.isEmpty())
        push(root.identity, std::make_shared<const UniqueFd>(std::move(root.fd)), std::move(root.subfolders));
    advance();
}

void TreeLister::listed(Listing& listing, int error)
{
    std::lock_guard lock(mutex_);
    ListingJob& job = *listing.job;
    changeInFlight(job.device, -1);
    noteListing(job.device, listing.waited || error != 0);
    job.done = true;
    if (cancelled_ || job.abandoned)
        return;
    job.error = error != 0 ? error : listing.error;
    if (job.error == 0) {
        job.files = std::move(listing.files);
        job.subfolders = std::move(listing.subfolders);
        job.identity = listing.identity;
        // The folder the walk goes into next stays open whatever the bound; others while there is room.
        const bool walkNeedsItNext =
            !frames_.empty() && !frames_.back().ahead.empty() && frames_.back().ahead.front() == listing.job;
        if (includeSubfolders_ && !job.subfolders.isEmpty() && (walkNeedsItNext || keptOpen_ < ListedFoldersKeptOpen)) {
            job.fd = std::make_shared<const UniqueFd>(std::move(listing.fd));
            job.holdsOpenSlot = !walkNeedsItNext;
            if (job.holdsOpenSlot)
                changeKeptOpen(1);
        }
    }
    changeHeldBytes(job.bytes());
    advance();
}

void TreeLister::reopened(Reopen& reopen, int error)
{
    std::lock_guard lock(mutex_);
    call_.reset();
    if (cancelled_)
        return;
    const bool same = error == 0 && reopen.same;
    if (reopen.kind == Reopen::Kind::Parent) {
        if (same)
            frames_.back().fd = std::make_shared<const UniqueFd>(std::move(reopen.fd));
        else
            parentUnreachable(error != 0 ? error : ENOENT);
    } else {
        const std::shared_ptr<ListingJob> job = std::exchange(entering_, nullptr);
        if (same)
            push(job->identity, std::make_shared<const UniqueFd>(std::move(reopen.fd)), std::move(job->subfolders));
        else
            deliverFailure(FolderListing::State::Unreadable, error != 0 ? error : ENOENT);
    }
    advance();
}

void TreeLister::advance()
{
    while (!cancelled_ && !finished_ && !call_) {
        if (frames_.empty()) {
            finish();
            return;
        }
        Frame& top = frames_.back();
        if (top.next == top.subfolders.size()) {
            leave();
            continue;
        }
        if (!roomForMore()) {
            waitsForRoom_ = true;
            return;
        }
        // The bounds in flight may keep even the next one waiting for a slot.
        schedule();
        if (top.ahead.empty())
            return;
        const std::shared_ptr<ListingJob> job = top.ahead.front();
        if (job && !job->done)
            return;
        top.ahead.pop_front();
        ++top.next;
        if (!job)
            continue; // skipped
        changePrefetched(-1);
        // Its bytes stay held until the walk takes its listing.
        releaseOpenSlot(*job);
        path_ = job->path;
        if (job->error != 0) {
            deliverFailure(FolderListing::State::Unreadable, job->error, true);
            continue;
        }
        FolderListing listing;
        listing.path = job->path;
        listing.files = std::move(job->files);
        deliver(std::move(listing), true);
        if (!job->subfolders.isEmpty() && includeSubfolders_)
            enter(*job);
    }
}

void TreeLister::schedule()
{
    // In walk order: below the deepest folder first (its subfolders listed ahead, with theirs, then the rest),
    // then below the folder above it, and so on.
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

// False when no more listings may start now.
bool TreeLister::scheduleBelow(const Place& place, bool isTop)
{
    for (const std::shared_ptr<ListingJob>& job : place.ahead) {
        if (job && job->done
            && !scheduleBelow({job->fd, job->subfolders, 0, job->ahead, job->path, job->identity.device}, false))
            return false;
    }
    if (!place.fd)
        return true; // closed: its subfolders wait until the walk is back
    for (qsizetype next = place.taken + static_cast<qsizetype>(place.ahead.size()); next < place.subfolders.size();
         ++next) {
        const bool walkNeedsItNext = isTop && place.ahead.empty();
        if (!walkNeedsItNext
            && (prefetched_ + static_cast<qsizetype>(ready_.size()) >= limits_.folders || heldBytes_ >= limits_.bytes))
            return false;
        if (inFlight_ >= limits_.listings)
            return false;
        if (!hasSlot(place.device))
            return true;
        const QByteArrayView name = place.subfolders.at(next);
        QByteArray path = place.path.toByteArray();
        appendComponent(path, name);
        if (!skip_.isEmpty() && skip_.skips(path, name)) {
            place.ahead.push_back(nullptr);
            continue;
        }
        auto job = std::make_shared<ListingJob>();
        job->name = name.toByteArray();
        job->device = mounts_->mountedAt(realPathOf(path)).value_or(place.device);
        job->path = std::move(path);
        place.ahead.push_back(job);
        changePrefetched(1);
        auto listing = std::make_shared<Listing>(shared_from_this(), job, place.fd);
        job->request = listing;
        changeInFlight(job->device, 1);
        if (const int error = IoQueue::instance().submit(listing, job->device)) {
            // Its file system does not answer, or no thread can be had: a folder that cannot be read.
            changeInFlight(job->device, -1);
            job->done = true;
            job->error = error;
            changeHeldBytes(job->bytes());
        }
    }
    return true;
}

bool TreeLister::hasSlot(Device device)
{
    const FileSystem& on = fileSystem(device);
    const int most = std::max(1, limits_.listingsPerFileSystem);
    const int cap = std::clamp(on.recentWaits / RecentListings, std::clamp(limits_.leastPerFileSystem, 1, most), most);
    return inFlight_ < limits_.listings && on.inFlight < cap;
}

TreeLister::FileSystem& TreeLister::fileSystem(Device device)
{
    for (FileSystem& known : fileSystems_)
        if (known.device == device)
            return known;
    return fileSystems_.emplace_back(FileSystem{device});
}

void TreeLister::changeInFlight(Device device, int by)
{
    inFlight_ += by;
    fileSystem(device).inFlight += by;
}

void TreeLister::noteListing(Device device, bool waited)
{
    FileSystem& on = fileSystem(device);
    on.recentWaits += (waited ? RecentListings : 0) - on.recentWaits / RecentListings;
}

void TreeLister::push(const FolderIdentity& identity, SharedFd fd, NameList subfolders,
                      std::deque<std::shared_ptr<ListingJob>> ahead)
{
    frames_.push_back({path_.size(), identity, std::move(fd), std::move(subfolders), 0, std::move(ahead)});
    // Listings in flight keep a closed folder's descriptor until they have opened theirs.
    if (frames_.size() > OpenFoldersKept)
        frames_[frames_.size() - 1 - OpenFoldersKept].fd.reset();
}

// Walks into a listed folder: it becomes the top, open for its subfolders.
void TreeLister::enter(ListingJob& job)
{
    if (job.fd) {
        push(job.identity, std::move(job.fd), std::move(job.subfolders), std::move(job.ahead));
        return;
    }
    // Closed after listing: it must be the same folder when opened again.
    auto reopen =
        std::make_shared<Reopen>(shared_from_this(), Reopen::Kind::Child, frames_.back().fd, job.name, job.identity);
    if (const int error = IoQueue::instance().submit(reopen, job.device)) {
        deliverFailure(FolderListing::State::Unreadable, error);
        return;
    }
    call_ = std::move(reopen);
    entering_ = std::make_shared<ListingJob>();
    entering_->identity = job.identity;
    entering_->subfolders = std::move(job.subfolders);
}

// Done with the top folder: its parent becomes the top and must be open.
void TreeLister::leave()
{
    const Frame done = std::move(frames_.back());
    frames_.pop_back();
    if (frames_.empty() || frames_.back().fd)
        return;
    if (!done.fd) {
        parentUnreachable(ENOENT);
        return;
    }
    const Frame& parent = frames_.back();
    auto reopen = std::make_shared<Reopen>(shared_from_this(), Reopen::Kind::Parent, done.fd, "..", parent.identity);
    if (const int error = IoQueue::instance().submit(reopen, parent.identity.device)) {
        parentUnreachable(error);
        return;
    }
    call_ = std::move(reopen);
}

// The folder was moved away meanwhile: its other subfolders cannot be reached.
void TreeLister::parentUnreachable(int error)
{
    Frame& parent = frames_.back();
    for (const std::shared_ptr<ListingJob>& job : parent.ahead)
        if (job)
            abandon(*job);
    parent.ahead.clear();
    parent.next = parent.subfolders.size();
    path_.truncate(parent.pathLength);
    deliverFailure(FolderListing::State::Unreadable, error);
}

bool TreeLister::roomForMore() const
{
    return ready_.empty() || (static_cast<qsizetype>(ready_.size()) < limits_.folders && heldBytes_ < limits_.bytes);
}

// Counted: its bytes are held already.
void TreeLister::deliver(FolderListing&& listing, bool counted)
{
    if (!counted)
        changeHeldBytes(listingBytes(listing.path, listing.files));
    ready_.push_back(std::move(listing));
    if (ready_.size() == ListingsPerWakeUp)
        listingReady_.notify_one();
}

void TreeLister::deliverFailure(FolderListing::State state, int error, bool counted)
{
    FolderListing listing;
    listing.state = state;
    listing.path = path_;
    listing.error = error;
    deliver(std::move(listing), counted);
}

void TreeLister::finish()
{
    finished_ = true;
    listingReady_.notify_one();
}

// A job and all listed ahead below it are no longer wanted.
void TreeLister::abandon(ListingJob& job)
{
    job.abandoned = true;
    changePrefetched(-1);
    if (job.done) {
        changeHeldBytes(-job.bytes());
        releaseOpenSlot(job);
    } else if (const std::shared_ptr<IoRequest> request = job.request.lock();
               request && IoQueue::instance().cancel(request)) {
        changeInFlight(job.device, -1);
        job.done = true;
    }
    for (const std::shared_ptr<ListingJob>& below : job.ahead)
        if (below)
            abandon(*below);
}

void TreeLister::releaseOpenSlot(ListingJob& job)
{
    if (job.holdsOpenSlot)
        changeKeptOpen(-1);
    job.holdsOpenSlot = false;
}

// Where a path below the walk's own folder lies with its links resolved, to find the mounts inside the tree.
QByteArray TreeLister::realPathOf(const QByteArray& path) const
{
    QByteArray below = path.mid(rootPath_.size());
    if (!below.startsWith(NativeSeparator))
        below.prepend(NativeSeparator);
    return realRoot_ == "/" ? below : realRoot_ + below;
}

#include "FolderFeed.h"

#include "Paths.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Folders listed ahead of the walk.
constexpr size_t ListingsAhead = 64;
// A walk that waits is woken when this many folders are ready, not for each:
// every wake-up costs both threads a trip through the system.
constexpr size_t ListingsPerWakeUp = 8;
// Folders of the current branch kept open; deeper ones are closed and opened
// again through ".." on the way back, so no depth runs out of descriptors.
constexpr size_t OpenFoldersKept = 32;

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        reset(std::exchange(other.fd_, -1));
        return *this;
    }
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

void appendComponent(QByteArray& path, QByteArrayView name)
{
    if (!path.endsWith(NativeSeparator))
        path.append(NativeSeparator);
    path.append(name);
}

} // namespace

struct FolderFeedQueue {
    std::mutex mutex;
    std::condition_variable listingReady;
    std::condition_variable spaceFreed;
    std::deque<FolderListing> ready;
    bool finished = false;
    bool cancelled = false;
};

namespace {

// The helper thread's depth-first walk over the folders.
class TreeLister {
public:
    TreeLister(std::shared_ptr<FolderFeedQueue> shared, std::shared_ptr<FolderReader> reader, QByteArray folder,
               bool includeSubfolders, SkipRules skip)
        : shared_(std::move(shared)),
          reader_(std::move(reader)),
          folder_(std::move(folder)),
          includeSubfolders_(includeSubfolders),
          skip_(std::move(skip))
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
        shared_->finished = true;
        shared_->listingReady.notify_one();
    }

private:
    struct Frame {
        qsizetype pathLength;
        UniqueFd fd;
        NameList subfolders;
        qsizetype next = 0;
        // Who the folder is, taken when its descriptor is closed; 0 for unknown.
        dev_t device = 0;
        ino_t inode = 0;
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
        if (!enter(std::move(fd)))
            return;
        while (!frames_.empty()) {
            Frame& top = frames_.back();
            if (top.next == top.subfolders.size()) {
                if (!leave())
                    return;
                continue;
            }
            const qsizetype position = top.next++;
            path_.truncate(top.pathLength);
            appendComponent(path_, top.subfolders.at(position));
            if (!skip_.isEmpty() && skip_.skips(path_, top.subfolders.at(position)))
                continue;
            // Never through a link: a folder swapped for one since it was listed fails here.
            UniqueFd child(::openat(top.fd.get(), top.subfolders.cString(position),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!(child ? enter(std::move(child)) : deliverFailure(FolderListing::State::Unreadable, errno)))
                return;
        }
    }

    // Lists the folder at path_ and, when its subfolders are walked, keeps it
    // open for them. False when the walk no longer wants listings.
    bool enter(UniqueFd fd)
    {
        FolderListing listing;
        listing.path = path_;
        NameList subfolders;
        const int error = reader_->read(fd.get(), path_, listing.files, subfolders);
        if (error != 0)
            return deliverFailure(FolderListing::State::Unreadable, error);
        if (!deliver(std::move(listing)))
            return false;
        if (includeSubfolders_ && !subfolders.isEmpty()) {
            frames_.push_back({path_.size(), std::move(fd), std::move(subfolders)});
            if (frames_.size() > OpenFoldersKept)
                closeKeepingIdentity(frames_[frames_.size() - 1 - OpenFoldersKept]);
        }
        return true;
    }

    // A folder closed on the way down is found again through ".." on the way
    // back, and must then be the same folder. One that cannot tell who it is
    // counts as moved away.
    static void closeKeepingIdentity(Frame& frame)
    {
        struct stat identity {};
        if (::fstat(frame.fd.get(), &identity) == 0) {
            frame.device = identity.st_dev;
            frame.inode = identity.st_ino;
        }
        frame.fd.reset();
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
            UniqueFd up(::openat(done.fd.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            struct stat identity;
            if (up && ::fstat(up.get(), &identity) == 0 && identity.st_dev == parent.device
                && identity.st_ino == parent.inode) {
                parent.fd = std::move(up);
                return true;
            }
        }
        // The folder was moved away meanwhile; its other subfolders cannot be reached.
        parent.next = parent.subfolders.size();
        path_.truncate(parent.pathLength);
        return deliverFailure(FolderListing::State::Unreadable, ENOENT);
    }

    bool deliverFailure(FolderListing::State state, int error)
    {
        FolderListing listing;
        listing.state = state;
        listing.path = path_;
        listing.error = error;
        return deliver(std::move(listing));
    }

    bool deliver(FolderListing&& listing)
    {
        std::unique_lock lock(shared_->mutex);
        shared_->spaceFreed.wait(lock, [&] { return shared_->cancelled || shared_->ready.size() < ListingsAhead; });
        if (shared_->cancelled)
            return false;
        shared_->ready.push_back(std::move(listing));
        if (shared_->ready.size() == ListingsPerWakeUp)
            shared_->listingReady.notify_one();
        return true;
    }

    std::shared_ptr<FolderFeedQueue> shared_;
    std::shared_ptr<FolderReader> reader_;
    QByteArray folder_;
    bool includeSubfolders_;
    SkipRules skip_;
    QByteArray path_;
    std::vector<Frame> frames_;
};

} // namespace

FolderFeed::FolderFeed(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip)
    : shared_(std::make_shared<FolderFeedQueue>())
{
    auto lister =
        std::make_unique<TreeLister>(shared_, std::move(reader), std::move(folder), includeSubfolders, std::move(skip));
    std::thread([lister = std::move(lister)] { lister->runToEnd(); }).detach();
}

FolderFeed::~FolderFeed()
{
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
    shared_->ready.clear();
    shared_->spaceFreed.notify_one();
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
    shared_->spaceFreed.notify_one();
    return Next::Ready;
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

#include "ListerState.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utility>

namespace {

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
    struct rusage usage = {};
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
#else
    return 0;
#endif
}

} // namespace

FolderIdentity identityOf(int fd)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return {};
    return {status.st_dev, status.st_ino};
}

qsizetype listingBytes(const QByteArray& path, const NameList& files)
{
    return path.size() + files.byteSize();
}

ListerState::FileSystem& ListerState::fileSystem(dev_t device)
{
    for (FileSystem& known : fileSystems)
        if (known.device == device)
            return known;
    return fileSystems.emplace_back(FileSystem{device});
}

bool ListerState::hasSlot(dev_t device)
{
    const FileSystem& on = fileSystem(device);
    const int cap = std::clamp(on.recentWaits / RecentListings, 1, limits.listingsPerFileSystem);
    return inFlight < limits.listings && on.inFlight < cap;
}

UniqueFd ListerState::list(ListingJob& job)
{
    const long waitsBefore = waitsOfThisThread();
    const auto start = std::chrono::steady_clock::now();
    UniqueFd fd = openAndRead(job);
    job.waited = std::chrono::steady_clock::now() - start >= LongWait && waitsOfThisThread() != waitsBefore;
    return fd;
}

UniqueFd ListerState::openAndRead(ListingJob& job)
{
    // Another thread would only hang beside the stuck one.
    if (!BackgroundThreads::instance().answers(job.fileSystem)) {
        job.parent.reset();
        job.error = ETIMEDOUT;
        return {};
    }
    const BackgroundThreads::SlowCall call(job.fileSystem);
    try {
        UniqueFd fd(::openat(job.parent->get(), job.name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
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

void ListerState::finish(ListingJob& job)
{
    job.done = true;
    --inFlight;
    FileSystem& on = fileSystem(job.device);
    --on.inFlight;
    on.recentWaits += (job.waited ? RecentListings : 0) - on.recentWaits / RecentListings;
    if (job.abandoned) {
        releaseOpenSlot(job);
        return;
    }
    changeHeldBytes(job.bytes());
    walkerWake.notify_one();
}

void ListerState::help(const std::shared_ptr<ListerState>& shared)
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
        const std::shared_ptr<ListingJob> job = std::move(shared->queued.front());
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

bool ListerState::keepOpen(ListingJob& job)
{
    std::lock_guard lock(mutex);
    if (foldersKeptOpen_ >= ListedFoldersKeptOpen)
        return false;
    ++foldersKeptOpen_;
    job.holdsOpenSlot = true;
    return true;
}

void ListerState::releaseOpenSlot(ListingJob& job)
{
    if (job.holdsOpenSlot)
        --foldersKeptOpen_;
    job.holdsOpenSlot = false;
}

void ListerState::answerCall()
{
    if (helpersCalled > 0)
        --helpersCalled;
}

void ListerState::queue(std::shared_ptr<ListingJob> job)
{
    ++inFlight;
    ++fileSystem(job->device).inFlight;
    queued.push_back(std::move(job));
}

void ListerState::callHelpers(const std::shared_ptr<ListerState>& self)
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

bool ListerState::startHelper(const std::shared_ptr<ListerState>& self)
{
    return BackgroundThreads::instance().start(self->work, "scriv-list", [self] { help(self); });
}

void ListerState::abandon(ListingJob& job)
{
    job.abandoned = true;
    if (job.done) {
        changeHeldBytes(-job.bytes());
        releaseOpenSlot(job);
    }
}

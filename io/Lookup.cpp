// Design map; the rules are in Lookup.h.
// Lookup::Shared: the answers, how many are pending, the requests not yet started and the asker's context, under
//   Shared::mutex. The asker and the requests hold it; a request left in a hung call keeps it alive, no longer.
// FolderLookup: one request, on the queue's threads: the folder's links read once, then each path's call in the
//   lane of the file system it reaches, each answer written as it comes.
// settledLookups: lookups that settled, on their way to their askers' threads, under settledMutex; Qt's queued
//   call only wakes the asker's thread.

#include "io/Lookup.h"

#include "io/IoQueue.h"
#include "io/PathRequest.h"

#include <QHash>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using Answer = Lookup::Answer;

// How long a waiting asker sleeps before it lets its caller run.
constexpr std::chrono::milliseconds WaitSlice{2};

} // namespace

bool lstatFinds(const QByteArray& path)
{
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0;
}

bool statFinds(const QByteArray& path)
{
    struct stat status = {};
    return ::stat(path.constData(), &status) == 0;
}

bool statFindsFolder(const QByteArray& path)
{
    struct stat status = {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

struct Lookup::Shared {
    // Under the lock, all of them.
    void setAnswer(const std::shared_ptr<Shared>& self, std::size_t path, Answer answer);
    // Past the patience: what has no answer is not answering, and what has not started is taken back.
    void expire(const std::shared_ptr<Shared>& self, Clock::time_point now);
    void giveUp();
    void post(const std::shared_ptr<Shared>& self);

    // Once every path has its answer; on the context's thread.
    void runThen(const std::shared_ptr<Shared>& self);

    LookupOptions options;
    Clock::time_point deadline;
    std::mutex mutex;
    std::condition_variable answered;
    std::vector<Answer> answers;
    std::size_t pending = 0;
    std::vector<std::weak_ptr<IoRequest>> requests;
    QObject* context = nullptr; // set while `then` waits
    std::thread::id asker;      // the context's thread
    std::function<void()> then;
};

namespace {

// The paths of one folder, in their order: the folder's links are read once for all of them.
class FolderLookup : public IoRequest {
public:
    FolderLookup(std::shared_ptr<Lookup::Shared> shared, const QByteArray& folder)
        : shared_(std::move(shared)), folder_(folder, PathResolution::LastLink::Follow)
    {
    }

    void add(std::size_t index, const QByteArray& path, const QByteArray& name)
    {
        items_.push_back({index, path, name});
    }
    const auto& items() const { return items_; }

    std::optional<Device> run(IoQueue& queue, std::optional<Device> lane) override
    {
        if (!mounts_)
            mounts_ = queue.mounts();
        const Reach folder = resolveIn(folder_, *mounts_, lane);
        if (!folder.done)
            return folder.device;
        for (; next_ < items_.size(); ++next_) {
            const Item& item = items_[next_];
            if (!wanted(item.index)) {
                item_.reset();
                continue;
            }
            if (!item_)
                item_.emplace(folder_.child(item.name, shared_->options.lastLink));
            const Reach reach = resolveIn(*item_, *mounts_, lane);
            if (reach.device != lane)
                return reach.device;
            bool found = false;
            try {
                found = shared_->options.call(item.path);
            } catch (...) { // NOLINT(bugprone-empty-catch): a call that fails finds nothing
            }
            IoQueue::callReturned();
            item_.reset();
            std::lock_guard lock(shared_->mutex);
            shared_->setAnswer(shared_, item.index, found ? Answer::Found : Answer::Missing);
        }
        return std::nullopt;
    }

    void answer(int error) override
    {
        if (error == 0)
            return;
        std::lock_guard lock(shared_->mutex);
        for (; next_ < items_.size(); ++next_)
            shared_->setAnswer(shared_, items_[next_].index, Answer::NotAnswering);
    }

private:
    struct Item {
        std::size_t index;
        QByteArray path;
        QByteArray name;
    };

    bool wanted(std::size_t index) const
    {
        std::lock_guard lock(shared_->mutex);
        return shared_->answers[index] == Answer::Pending;
    }

    std::shared_ptr<Lookup::Shared> shared_;
    PathResolution folder_;
    std::vector<Item> items_;
    std::size_t next_ = 0;
    std::optional<PathResolution> item_;
    std::shared_ptr<const MountTable> mounts_;
};

// The folder a path names its item in, and the item's name there ("." for the root).
std::pair<QByteArray, QByteArray> folderAndName(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype separator = path.lastIndexOf('/');
    QByteArray name = path.mid(separator + 1);
    return {path.left(std::max<qsizetype>(separator, 1)), name.isEmpty() ? QByteArray(".") : name};
}

} // namespace

void Lookup::Shared::setAnswer(const std::shared_ptr<Shared>& self, std::size_t path, Answer answer)
{
    if (answers[path] != Answer::Pending)
        return;
    answers[path] = answer;
    if (--pending > 0)
        return;
    answered.notify_all();
    post(self);
}

namespace {

// Settled lookups on their way to their askers' threads. Qt's queued call only wakes the asker and carries nothing;
// what the asker finds is handed over here, under this lock.
struct Settled {
    std::thread::id asker;
    std::weak_ptr<Lookup::Shared> lookup;
};
std::mutex settledMutex;
std::vector<Settled> settledLookups;

// On an asker's thread: the `then` of each of its lookups that settled.
void runSettled()
{
    std::vector<Settled> mine;
    {
        std::lock_guard lock(settledMutex);
        const auto others = std::stable_partition(settledLookups.begin(), settledLookups.end(), [](const Settled& one) {
            return one.asker != std::this_thread::get_id();
        });
        std::move(others, settledLookups.end(), std::back_inserter(mine));
        settledLookups.erase(others, settledLookups.end());
    }
    for (const Settled& settled : mine)
        if (const std::shared_ptr<Lookup::Shared> lookup = settled.lookup.lock())
            lookup->runThen(lookup);
}

} // namespace

void Lookup::Shared::post(const std::shared_ptr<Shared>& self)
{
    if (context == nullptr)
        return;
    {
        std::lock_guard lock(settledMutex);
        settledLookups.push_back({asker, self});
    }
    QMetaObject::invokeMethod(context, runSettled, Qt::QueuedConnection);
}

void Lookup::Shared::expire(const std::shared_ptr<Shared>& self, Clock::time_point now)
{
    if (pending == 0 || now < deadline)
        return;
    for (std::size_t path = 0; path < answers.size(); ++path)
        setAnswer(self, path, Answer::NotAnswering);
    giveUp();
}

void Lookup::Shared::giveUp()
{
    for (const std::weak_ptr<IoRequest>& request : requests)
        if (const std::shared_ptr<IoRequest> queued = request.lock())
            IoQueue::instance().cancel(queued);
    requests.clear();
}

void Lookup::Shared::runThen(const std::shared_ptr<Shared>& self)
{
    std::function<void()> settledThen;
    {
        std::lock_guard lock(mutex);
        expire(self, Clock::now());
        if (pending > 0)
            return;
        settledThen = std::exchange(then, {});
        context = nullptr;
    }
    if (settledThen)
        settledThen();
}

Lookup::Lookup(std::vector<QByteArray> paths, const LookupOptions& options) : shared_(std::make_shared<Shared>())
{
    Shared& shared = *shared_;
    shared.options = options;
    shared.deadline = Clock::now() + options.patience;
    shared.answers.assign(paths.size(), Answer::Pending);
    shared.pending = paths.size();
    std::vector<std::shared_ptr<FolderLookup>> folders;
    QHash<QByteArray, std::size_t> folderOf;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        if (!paths[index].startsWith('/')) {
            std::lock_guard lock(shared.mutex);
            shared.setAnswer(shared_, index, Answer::Missing);
            continue;
        }
        const auto [folder, name] = folderAndName(paths[index]);
        const auto found = folderOf.constFind(folder);
        if (found == folderOf.constEnd()) {
            folderOf.insert(folder, folders.size());
            folders.push_back(std::make_shared<FolderLookup>(shared_, folder));
        }
        folders[folderOf.value(folder)]->add(index, paths[index], name);
    }
    {
        std::lock_guard lock(shared.mutex);
        shared.requests.assign(folders.begin(), folders.end());
    }
    for (const std::shared_ptr<FolderLookup>& folder : folders) {
        if (IoQueue::instance().submit(folder) == 0)
            continue;
        std::lock_guard lock(shared.mutex);
        for (const auto& item : folder->items())
            shared.setAnswer(shared_, item.index, Answer::NotAnswering);
    }
}

Lookup::~Lookup()
{
    std::lock_guard lock(shared_->mutex);
    shared_->context = nullptr;
    shared_->then = {};
    shared_->giveUp();
}

Lookup::Answer Lookup::answer(std::size_t path) const
{
    std::lock_guard lock(shared_->mutex);
    shared_->expire(shared_, Clock::now());
    return shared_->answers.at(path);
}

bool Lookup::settled() const
{
    std::lock_guard lock(shared_->mutex);
    shared_->expire(shared_, Clock::now());
    return shared_->pending == 0;
}

void Lookup::await(const std::function<void()>& whileWaiting)
{
    std::unique_lock lock(shared_->mutex);
    // Answers that come within the first slice cost the caller nothing.
    for (;;) {
        shared_->expire(shared_, Clock::now());
        if (shared_->pending == 0)
            return;
        shared_->answered.wait_until(lock, std::min(Clock::now() + WaitSlice, shared_->deadline),
                                     [&] { return shared_->pending == 0; });
        if (shared_->pending == 0 || !whileWaiting)
            continue;
        lock.unlock();
        whileWaiting();
        lock.lock();
    }
}

void Lookup::whenSettled(QObject* context, std::function<void()> then)
{
    std::lock_guard lock(shared_->mutex);
    shared_->context = context;
    shared_->asker = std::this_thread::get_id();
    shared_->then = std::move(then);
    if (shared_->pending == 0) {
        shared_->post(shared_);
        return;
    }
    // Once, when the patience is over; not a poll.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(shared_->deadline - Clock::now());
    QTimer::singleShot(std::max(left, std::chrono::milliseconds(0)), context, [weak = std::weak_ptr<Shared>(shared_)] {
        if (const std::shared_ptr<Shared> shared = weak.lock())
            shared->runThen(shared);
    });
}

std::vector<bool> lookUp(const std::vector<QByteArray>& paths, const LookupOptions& options,
                         const std::function<void()>& whileWaiting)
{
    Lookup lookup(paths, options);
    lookup.await(whileWaiting);
    std::vector<bool> found;
    found.reserve(paths.size());
    for (std::size_t path = 0; path < paths.size(); ++path)
        found.push_back(lookup.answer(path) == Lookup::Answer::Found);
    return found;
}

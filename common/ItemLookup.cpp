#include "ItemLookup.h"

#include <condition_variable>
#include <mutex>
#include <optional>

#include <sys/stat.h>

namespace {

// How often a waiting caller looks at the progress and runs its callback.
constexpr std::chrono::milliseconds WaitSlice{2};

using Answer = ItemLookup::Answer;
using Clock = std::chrono::steady_clock;

} // namespace

// What the caller and its lookers share; a looker left behind keeps it alive.
struct ItemLookup::Shared {
    ItemLooks looks;
    std::vector<QByteArray> paths;
    std::mutex mutex;
    std::condition_variable answered;
    std::vector<Answer> answers;
    std::size_t next = 0; // the next path a looker takes
    std::size_t pending;  // paths without an answer
    // The one looker whose answers count, and the look it is in.
    std::shared_ptr<BackgroundThreads::Work> looker;
    std::optional<std::size_t> looking;
    Clock::time_point lookStart;

    // Under the lock.
    void setAnswer(std::size_t path, Answer answer)
    {
        answers[path] = answer;
        --pending;
        answered.notify_all();
    }

    // Under the lock: a looker from `next` on; where none can be had, the rest do not answer.
    void startLooker(const std::shared_ptr<Shared>& self)
    {
        looker = BackgroundThreads::instance().newWork();
        looking.reset();
        const auto lookAll = [self, work = looker] { self->lookAll(work); };
        if (next < paths.size() && !BackgroundThreads::instance().start(looker, "scriv-look", lookAll))
            while (next < paths.size())
                setAnswer(next++, Answer::NotAnswering);
    }

    void lookAll(const std::shared_ptr<BackgroundThreads::Work>& work)
    {
        std::unique_lock lock(mutex);
        while (looker == work && next < paths.size()) {
            const std::size_t path = next++;
            looking = path;
            lookStart = Clock::now();
            lock.unlock();
            const QByteArray fileSystem = looks.fileSystemOf(paths[path]);
            Answer answer = Answer::NotAnswering;
            if (BackgroundThreads::instance().answers(fileSystem)) {
                const BackgroundThreads::SlowCall call(fileSystem);
                try {
                    answer = looks.look(paths[path]) ? Answer::Exists : Answer::Missing;
                } catch (...) {
                    answer = Answer::Missing; // a look that fails is an item not found
                }
            }
            lock.lock();
            if (looker != work)
                return; // given up on while it looked
            looking.reset();
            setAnswer(path, answer);
        }
    }

    // Under the lock: the look under way hangs; it does not answer, and the rest go on without it.
    void giveUpHungLook(const std::shared_ptr<Shared>& self)
    {
        if (!looking)
            return;
        looker->giveUp(BackgroundThreads::Work::Reason::Hung);
        setAnswer(*looking, Answer::NotAnswering);
        startLooker(self);
    }
};

bool itemExists(const QByteArray& path)
{
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0;
}

bool targetExists(const QByteArray& path)
{
    struct stat status = {};
    return ::stat(path.constData(), &status) == 0;
}

bool isFolder(const QByteArray& path)
{
    struct stat status = {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

ItemLookup::ItemLookup(std::vector<QByteArray> paths, ItemLooks looks) : shared_(std::make_shared<Shared>())
{
    shared_->looks = std::move(looks);
    shared_->pending = paths.size();
    shared_->answers.assign(paths.size(), Answer::Pending);
    shared_->paths = std::move(paths);
    std::lock_guard lock(shared_->mutex);
    shared_->startLooker(shared_);
}

ItemLookup::~ItemLookup()
{
    std::lock_guard lock(shared_->mutex);
    const bool hung = shared_->looking && Clock::now() - shared_->lookStart >= shared_->looks.patience;
    shared_->looker->giveUp(hung ? BackgroundThreads::Work::Reason::Hung
                                 : BackgroundThreads::Work::Reason::NoLongerWanted);
    shared_->looker.reset();
}

bool ItemLookup::settle()
{
    std::lock_guard lock(shared_->mutex);
    if (shared_->looking && Clock::now() - shared_->lookStart >= shared_->looks.patience)
        shared_->giveUpHungLook(shared_);
    return shared_->pending == 0;
}

void ItemLookup::await(const std::function<void()>& whileWaiting)
{
    // Answers that come within the first slice cost the caller no yield.
    while (!settle()) {
        {
            std::unique_lock lock(shared_->mutex);
            shared_->answered.wait_for(lock, WaitSlice, [&] { return shared_->pending == 0; });
        }
        if (whileWaiting && !settle())
            whileWaiting();
    }
}

ItemLookup::Answer ItemLookup::answer(std::size_t path) const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->answers.at(path);
}

std::vector<bool> lookUpItems(const std::vector<QByteArray>& paths, const std::function<void()>& whileWaiting,
                              const ItemLooks& looks)
{
    ItemLookup lookup(paths, looks);
    lookup.await(whileWaiting);
    std::vector<bool> found;
    found.reserve(paths.size());
    for (std::size_t path = 0; path < paths.size(); ++path)
        found.push_back(lookup.answer(path) == ItemLookup::Answer::Exists);
    return found;
}

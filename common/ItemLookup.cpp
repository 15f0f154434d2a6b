#include "ItemLookup.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <sys/stat.h>

namespace {

// How often a waiting caller looks at the progress and runs its callback.
constexpr std::chrono::milliseconds WaitSlice{2};
// After this many looks hung, the rest count as missing: a mount that hangs
// once mostly hangs for every look, and each hung look holds a thread.
constexpr int MostHungLooks = 4;

// What the caller and its lookers share; a looker left behind keeps it alive.
struct Lookup {
    std::function<bool(const QByteArray&)> look;
    std::vector<QByteArray> paths;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<bool> found;
    std::size_t answered = 0; // the paths before this one have their answer
    bool done = false;
    int looker = 0; // the one looker whose answers still count
};

void lookFrom(const std::shared_ptr<Lookup>& lookup, std::size_t first, int looker)
{
    for (std::size_t position = first; position < lookup->paths.size(); ++position) {
        bool exists = false;
        try {
            exists = lookup->look(lookup->paths[position]);
        } catch (...) {
            exists = false; // a look that fails is an item not found
        }
        std::lock_guard lock(lookup->mutex);
        if (lookup->looker != looker)
            return; // given up on while it looked
        lookup->found[position] = exists;
        lookup->answered = position + 1;
    }
    std::lock_guard lock(lookup->mutex);
    if (lookup->looker == looker) {
        lookup->done = true;
        lookup->finished.notify_all();
    }
}

// Starts a looker from `first`; where no thread can be had, the rest count as missing.
void startLooker(const std::shared_ptr<Lookup>& lookup, std::size_t first, int looker)
{
    try {
        std::thread(lookFrom, lookup, first, looker).detach();
    } catch (const std::system_error&) {
        lookup->done = true;
    }
}

} // namespace

bool itemExists(const QByteArray& path)
{
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0;
}

std::vector<bool> lookUpItems(const std::vector<QByteArray>& paths, std::chrono::milliseconds patience,
                              const std::function<void()>& whileWaiting,
                              const std::function<bool(const QByteArray&)>& look)
{
    if (paths.empty())
        return {};
    auto lookup = std::make_shared<Lookup>();
    lookup->look = look;
    lookup->paths = paths;
    lookup->found.assign(paths.size(), false);
    std::unique_lock lock(lookup->mutex);
    startLooker(lookup, 0, 0);
    std::size_t answeredBefore = 0;
    auto lastAnswer = std::chrono::steady_clock::now();
    while (!lookup->done) {
        lookup->finished.wait_for(lock, WaitSlice);
        if (lookup->done)
            break;
        const auto now = std::chrono::steady_clock::now();
        if (lookup->answered != answeredBefore) {
            answeredBefore = lookup->answered;
            lastAnswer = now;
        } else if (now - lastAnswer >= patience) {
            // The path being looked at hangs: it counts as missing, and the rest go on without it.
            const std::size_t next = lookup->answered + 1;
            lookup->answered = next;
            answeredBefore = next;
            lastAnswer = now;
            ++lookup->looker;
            if (next >= paths.size() || lookup->looker == MostHungLooks)
                break;
            startLooker(lookup, next, lookup->looker);
            continue;
        }
        if (whileWaiting) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    // Answers that come after this are not wanted.
    ++lookup->looker;
    return lookup->found;
}

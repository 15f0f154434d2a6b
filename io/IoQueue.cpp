// Design map; the rules are in IoQueue.h.
// State: the lanes, the counts of threads and the mount table, under State::mutex; every function of it runs
//   under that lock.
// State::work: the body of every thread of the queue. It answers what the time-out has caught, or runs the next
//   request a lane has room for and then answers it; idle, it sleeps until work comes, a call under way reaches
//   the time-out, or it has been idle long enough to end. One idle thread stays while calls are under way.
// Threads are started here, not taken from QThreadPool: the pool joins its threads, and one stuck on a dead mount
// must never be joined.

#include "io/IoQueue.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Mounts come and go rarely; a table a second old is recent enough.
constexpr std::chrono::seconds MountTableAge{1};

struct Lane {
    std::deque<std::shared_ptr<IoRequest>> queued;
    std::vector<std::shared_ptr<IoRequest>> running; // calls under way, in the order they started
    int timedOut = 0;                                // of those, answered by the time-out
};

} // namespace

struct IoQueue::State {
    using Stage = IoRequest::Stage;

    explicit State(const Settings& given) : settings(given) {}

    // The body of every thread of the queue.
    static void work(const std::shared_ptr<State>& self);

    // Under the lock, all of them.
    bool answers(const Lane& lane, Clock::time_point now) const;
    static Clock::time_point callStart(const IoRequest& call)
    {
        return Clock::time_point(Clock::duration(call.callStart_.load(std::memory_order_relaxed)));
    }
    bool place(const std::shared_ptr<IoRequest>& request, Device lane, Clock::time_point now);
    std::shared_ptr<IoRequest> takeRunnable(Clock::time_point now);
    void endCall(IoRequest& request, Device device);
    std::vector<std::shared_ptr<IoRequest>> takeTimedOut(Clock::time_point now);
    bool watching() const;
    Clock::time_point nextWake(Clock::time_point idleSince) const;
    // False when nobody will ever take the work just queued.
    bool wakeOne(const std::shared_ptr<State>& self);
    bool startThread(const std::shared_ptr<State>& self);
    // A request queued and not started is taken out; false for any other.
    bool takeBack(IoRequest& request);
    void changeAlive(int by) { alive += by; }
    void changeIdle(int by) { idle += by; }
    // A call the time-out answered for, or one that came back after it.
    void countTimedOut(Lane& lane, int by)
    {
        lane.timedOut += by;
        stuck += by;
    }

    mutable std::mutex mutex;
    std::condition_variable wake; // to idle threads: work queued, or a time-out to watch for
    Settings settings;
    std::map<Device, Lane> lanes;                    // one for each file system met; there are few
    std::deque<std::shared_ptr<IoRequest>> unplaced; // to find their first lane; no call yet
    Device lastServed = 0;
    int alive = 0; // threads started and not ended
    int idle = 0;  // of those, not running or answering a request
    int stuck = 0; // in a call the time-out has answered for
    std::shared_ptr<const MountTable> mounts;
    Clock::time_point mountsReadAt;
};

namespace {

// The queue whose request this thread is answering; the first work it queues then is left for it to take.
thread_local IoQueue::State* answeringFor = nullptr;
thread_local bool tookWorkQueued = false;
// The call this thread is making for a request, if any.
thread_local IoRequest* callUnderWay = nullptr;

} // namespace

bool IoQueue::State::answers(const Lane& lane, Clock::time_point now) const
{
    return lane.timedOut == 0
           && std::none_of(lane.running.begin(), lane.running.end(), [&](const std::shared_ptr<IoRequest>& call) {
                  return now - callStart(*call) >= settings.timeOut;
              });
}

bool IoQueue::State::place(const std::shared_ptr<IoRequest>& request, Device lane, Clock::time_point now)
{
    const auto found = lanes.find(lane);
    if (found != lanes.end() && !answers(found->second, now))
        return false;
    request->stage_ = Stage::Queued;
    request->lane_ = lane;
    lanes[lane].queued.push_back(request);
    return true;
}

std::shared_ptr<IoRequest> IoQueue::State::takeRunnable(Clock::time_point now)
{
    std::shared_ptr<IoRequest> request;
    // Calls first, from the lane after the one served last, so one file system's work never holds up another's;
    // then a request that has yet to find its lane, which makes no call.
    auto next = lanes.upper_bound(lastServed);
    for (std::size_t tried = 0; tried < lanes.size(); ++tried, ++next) {
        if (next == lanes.end())
            next = lanes.begin();
        Lane& lane = next->second;
        if (lane.queued.empty() || static_cast<int>(lane.running.size()) >= settings.callsPerFileSystem
            || !answers(lane, now))
            continue;
        request = std::move(lane.queued.front());
        lane.queued.pop_front();
        request->stage_ = Stage::Running;
        request->callStart_.store(now.time_since_epoch().count(), std::memory_order_relaxed);
        lane.running.push_back(request);
        lastServed = next->first;
        return request;
    }
    if (!unplaced.empty()) {
        request = std::move(unplaced.front());
        unplaced.pop_front();
        request->stage_ = Stage::Running;
    }
    return request;
}

void IoQueue::State::endCall(IoRequest& request, Device device)
{
    Lane& lane = lanes.find(device)->second;
    lane.running.erase(std::find_if(lane.running.begin(), lane.running.end(),
                                    [&](const std::shared_ptr<IoRequest>& call) { return call.get() == &request; }));
    if (request.stage_ == Stage::Answered)
        countTimedOut(lane, -1);
}

std::vector<std::shared_ptr<IoRequest>> IoQueue::State::takeTimedOut(Clock::time_point now)
{
    std::vector<std::shared_ptr<IoRequest>> late;
    for (auto& [device, lane] : lanes) {
        for (const std::shared_ptr<IoRequest>& call : lane.running)
            if (call->stage_ == Stage::Running && now - callStart(*call) >= settings.timeOut) {
                call->stage_ = Stage::Answered;
                countTimedOut(lane, 1);
                late.push_back(call);
            }
        if (lane.timedOut == 0)
            continue;
        for (std::shared_ptr<IoRequest>& waiting : lane.queued) {
            waiting->stage_ = Stage::Answered;
            late.push_back(std::move(waiting));
        }
        lane.queued.clear();
    }
    return late;
}

bool IoQueue::State::watching() const
{
    return std::any_of(lanes.begin(), lanes.end(), [](const auto& lane) {
        return static_cast<int>(lane.second.running.size()) > lane.second.timedOut;
    });
}

Clock::time_point IoQueue::State::nextWake(Clock::time_point idleSince) const
{
    Clock::time_point wakeAt = idleSince + settings.idleThreadEnd;
    for (const auto& [device, lane] : lanes)
        for (const std::shared_ptr<IoRequest>& call : lane.running)
            if (call->stage_ == Stage::Running)
                wakeAt = std::min(wakeAt, callStart(*call) + settings.timeOut);
    return wakeAt;
}

bool IoQueue::State::wakeOne(const std::shared_ptr<State>& self)
{
    if (answeringFor == this && !tookWorkQueued) {
        tookWorkQueued = true;
        return true;
    }
    if (idle > 0) {
        wake.notify_one();
        return true;
    }
    return (alive < settings.threads && startThread(self)) || alive > 0;
}

bool IoQueue::State::startThread(const std::shared_ptr<State>& self)
{
    changeAlive(1);
    changeIdle(1);
    try {
        std::thread([self] { work(self); }).detach();
        return true;
    } catch (const std::system_error&) {
        changeIdle(-1);
        changeAlive(-1);
        return false;
    }
}

bool IoQueue::State::takeBack(IoRequest& request)
{
    if (request.stage_ != Stage::Queued)
        return false;
    const auto isIt = [&](const std::shared_ptr<IoRequest>& queued) { return queued.get() == &request; };
    if (!request.lane_) {
        unplaced.erase(std::find_if(unplaced.begin(), unplaced.end(), isIt));
    } else {
        Lane& lane = lanes.find(*request.lane_)->second;
        lane.queued.erase(std::find_if(lane.queued.begin(), lane.queued.end(), isIt));
    }
    request.stage_ = Stage::Answered;
    return true;
}

void IoQueue::State::work(const std::shared_ptr<State>& self)
{
    ::pthread_setname_np(::pthread_self(), "scriv-io");
    IoQueue queue(self);
    State& state = *self;
    // Counted idle from its start: it looks for work before it waits.
    std::unique_lock lock(state.mutex);
    const auto answer = [&](std::shared_ptr<IoRequest> request, int error) {
        lock.unlock();
        answeringFor = &state;
        tookWorkQueued = false;
        request->answer(error);
        answeringFor = nullptr;
        request.reset(); // whatever it held goes outside the lock
        lock.lock();
    };
    auto idleSince = Clock::now();
    for (;;) {
        const auto now = Clock::now();
        std::vector<std::shared_ptr<IoRequest>> late = state.takeTimedOut(now);
        std::shared_ptr<IoRequest> request = late.empty() ? state.takeRunnable(now) : nullptr;
        if (late.empty() && !request) {
            // The last idle thread stays while calls are under way, to answer them at the time-out.
            if (now - idleSince >= state.settings.idleThreadEnd && (state.idle > 1 || !state.watching()))
                break;
            state.wake.wait_until(lock, state.nextWake(idleSince));
            continue;
        }
        state.changeIdle(-1);
        for (std::shared_ptr<IoRequest>& timedOut : late)
            answer(std::move(timedOut), ETIMEDOUT);
        if (request) {
            const std::optional<Device> lane = request->lane_;
            // A call may block: one thread stays idle beside it, for new work and to time it out.
            if (lane && state.idle == 0 && state.alive < state.settings.threads)
                state.startThread(self);
            lock.unlock();
            std::optional<Device> next;
            int error = 0;
            callUnderWay = lane ? request.get() : nullptr;
            try {
                next = request->run(queue, lane);
            } catch (...) {
                error = ENOMEM; // only allocation throws in a request; it ends as out of memory
            }
            callUnderWay = nullptr;
            lock.lock();
            if (lane)
                state.endCall(*request, *lane);
            if (request->stage_ == Stage::Answered) { // by the time-out, while it ran
                lock.unlock();
                request.reset();
                lock.lock();
            } else if (error != 0 || !next || !state.place(request, *next, Clock::now())) {
                request->stage_ = Stage::Answered;
                answer(std::move(request), error != 0 ? error : next ? ETIMEDOUT : 0);
            }
        }
        state.changeIdle(1);
        idleSince = Clock::now();
    }
    state.changeIdle(-1);
    state.changeAlive(-1);
}

IoQueue& IoQueue::instance()
{
    // Never destroyed: a thread stuck in the kernel may outlive main().
    static auto* const queue = new IoQueue(Settings{});
    return *queue;
}

IoQueue::IoQueue(const Settings& settings) : state_(std::make_shared<State>(settings))
{
    if (!state_->settings.mountInfo)
        state_->settings.mountInfo = readMountInfo;
}

int IoQueue::submit(const std::shared_ptr<IoRequest>& request, std::optional<Device> lane)
{
    std::lock_guard lock(state_->mutex);
    if (!lane) {
        request->stage_ = IoRequest::Stage::Queued;
        state_->unplaced.push_back(request);
    } else if (!state_->place(request, *lane, Clock::now())) {
        return ETIMEDOUT;
    }
    if (state_->wakeOne(state_))
        return 0;
    state_->takeBack(*request);
    return EAGAIN;
}

bool IoQueue::cancel(const std::shared_ptr<IoRequest>& request)
{
    std::lock_guard lock(state_->mutex);
    return state_->takeBack(*request);
}

void IoQueue::callReturned()
{
    if (callUnderWay != nullptr)
        callUnderWay->callStart_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
}

std::shared_ptr<const MountTable> IoQueue::mounts()
{
    std::function<QByteArray()> read;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->mounts && Clock::now() - state_->mountsReadAt < MountTableAge)
            return state_->mounts;
        read = state_->settings.mountInfo;
    }
    auto table = std::make_shared<const MountTable>(parseMountInfo(read()));
    std::lock_guard lock(state_->mutex);
    state_->mounts = table;
    state_->mountsReadAt = Clock::now();
    return table;
}

IoQueue::Settings IoQueue::settings() const
{
    std::lock_guard lock(state_->mutex);
    return state_->settings;
}

void IoQueue::setSettings(const Settings& settings)
{
    std::lock_guard lock(state_->mutex);
    state_->settings = settings;
    if (!state_->settings.mountInfo)
        state_->settings.mountInfo = readMountInfo;
    state_->mounts.reset();
    state_->wake.notify_all(); // a new time-out changes when the watching thread wakes
}

int IoQueue::threadsAlive() const
{
    std::lock_guard lock(state_->mutex);
    return state_->alive;
}

int IoQueue::threadsStuck() const
{
    std::lock_guard lock(state_->mutex);
    return state_->stuck;
}

int IoQueue::callsUnderWay() const
{
    std::lock_guard lock(state_->mutex);
    int calls = 0;
    for (const auto& [device, lane] : state_->lanes)
        calls += static_cast<int>(lane.running.size());
    return calls;
}

QByteArray readMountInfo()
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    return table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
}

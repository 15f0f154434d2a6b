#include "BackgroundThreads.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>

// One thread of the set, on its own stack while it runs.
struct BackgroundThreads::Thread {
    BackgroundThreads* owner;
    std::shared_ptr<Work> work;
    QByteArray fileSystem; // of the call it is in
    std::chrono::steady_clock::time_point callStart;
    bool inCall = false;
    bool counted = false; // in givenUpInCall
};

struct BackgroundThreads::State {
    mutable std::mutex mutex;
    std::vector<Thread*> threads;
    int alive = 0; // started and not yet ended, which counts a few not yet registered
    // Threads in a slow call whose work was given up; while none is, every
    // file system answers without a look at the list.
    std::atomic<int> givenUpInCall{0};
};

namespace {

thread_local BackgroundThreads::Thread* currentThread = nullptr;

} // namespace

void BackgroundThreads::Work::giveUp(Reason reason)
{
    std::lock_guard lock(owner_.state_->mutex);
    hung_ = hung_ || reason == Reason::Hung;
    if (givenUp_)
        return;
    givenUp_ = true;
    for (Thread* thread : owner_.state_->threads)
        if (thread->work.get() == this && thread->inCall && !thread->counted) {
            thread->counted = true;
            ++owner_.state_->givenUpInCall;
        }
}

bool BackgroundThreads::Work::givenUp() const
{
    std::lock_guard lock(owner_.state_->mutex);
    return givenUp_;
}

BackgroundThreads& BackgroundThreads::instance()
{
    // Never destroyed: a thread stuck in the kernel may outlive main().
    static auto* const threads = new BackgroundThreads(Limits{});
    return *threads;
}

BackgroundThreads::BackgroundThreads(Limits limits) : limits_(limits), state_(std::make_unique<State>()) {}

BackgroundThreads::~BackgroundThreads() = default;

std::shared_ptr<BackgroundThreads::Work> BackgroundThreads::newWork()
{
    return std::shared_ptr<Work>(new Work(*this));
}

bool BackgroundThreads::start(const std::shared_ptr<Work>& work, const char* name, std::function<void()> body)
{
    {
        std::lock_guard lock(state_->mutex);
        if (state_->alive >= limits_.threads)
            return false;
        ++state_->alive;
    }
    try {
        std::thread([this, work, name, body = std::move(body)] {
            ::pthread_setname_np(::pthread_self(), name);
            Thread self{this, work, {}, {}};
            {
                std::lock_guard lock(state_->mutex);
                state_->threads.push_back(&self);
            }
            currentThread = &self;
            try {
                body();
            } catch (...) { // NOLINT(bugprone-empty-catch): the work reports its own failures; none may end the process
            }
            currentThread = nullptr;
            std::lock_guard lock(state_->mutex);
            auto& threads = state_->threads;
            threads.erase(std::find(threads.begin(), threads.end(), &self));
            --state_->alive;
        }).detach();
        return true;
    } catch (const std::system_error&) {
        std::lock_guard lock(state_->mutex);
        --state_->alive;
        return false;
    }
}

bool BackgroundThreads::isStuck(const Thread& thread, std::chrono::steady_clock::time_point now) const
{
    return thread.counted && (thread.work->hung_ || now - thread.callStart >= limits_.stuckAfter);
}

bool BackgroundThreads::answers(const QByteArray& fileSystem) const
{
    if (state_->givenUpInCall.load() == 0)
        return true;
    std::lock_guard lock(state_->mutex);
    const auto now = std::chrono::steady_clock::now();
    int stuck = 0;
    bool stuckHere = false;
    for (const Thread* thread : state_->threads)
        if (isStuck(*thread, now)) {
            ++stuck;
            stuckHere = stuckHere || thread->fileSystem == fileSystem;
        }
    return !stuckHere && stuck < limits_.stuck;
}

int BackgroundThreads::alive() const
{
    std::lock_guard lock(state_->mutex);
    return state_->alive;
}

int BackgroundThreads::stuck() const
{
    std::lock_guard lock(state_->mutex);
    const auto now = std::chrono::steady_clock::now();
    return static_cast<int>(std::count_if(state_->threads.begin(), state_->threads.end(),
                                          [&](const Thread* thread) { return isStuck(*thread, now); }));
}

BackgroundThreads::SlowCall::SlowCall(const QByteArray& fileSystem)
{
    Thread* const self = currentThread;
    if (self == nullptr)
        return;
    State& state = *self->owner->state_;
    std::lock_guard lock(state.mutex);
    self->fileSystem = fileSystem;
    self->callStart = std::chrono::steady_clock::now();
    self->inCall = true;
    if (self->work->givenUp_) {
        self->counted = true;
        ++state.givenUpInCall;
    }
}

BackgroundThreads::SlowCall::~SlowCall()
{
    Thread* const self = currentThread;
    if (self == nullptr)
        return;
    State& state = *self->owner->state_;
    std::lock_guard lock(state.mutex);
    self->inCall = false;
    if (self->counted) {
        self->counted = false;
        --state.givenUpInCall;
    }
}

namespace {

// A field of the mount table, with its octal escapes (\040 for a space) undone.
QByteArray unescaped(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype at = 0; at < field.size(); ++at) {
        if (field[at] == '\\' && at + 3 < field.size()) {
            bytes.append(char(((field[at + 1] - '0') << 6) | ((field[at + 2] - '0') << 3) | (field[at + 3] - '0')));
            at += 3;
        } else {
            bytes.append(field[at]);
        }
    }
    return bytes;
}

struct MountTable {
    std::mutex mutex;
    QByteArrayList points;
    std::chrono::steady_clock::time_point readAt;
    bool read = false;
};

// Mounts come and go rarely; a table a second old is recent enough.
constexpr std::chrono::seconds MountTableAge{1};

} // namespace

QByteArrayList mountPoints()
{
    static MountTable table;
    std::lock_guard lock(table.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (table.read && now - table.readAt < MountTableAge)
        return table.points;
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    QByteArrayList points;
    if (file.open(QIODevice::ReadOnly)) {
        // "36 35 98:0 /root /mount/point options ... - type source options": the fifth field.
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() > 4)
                points << unescaped(fields.at(4));
        }
    }
    if (points.isEmpty())
        points << QByteArray("/");
    table.points = points;
    table.readAt = now;
    table.read = true;
    return points;
}

QByteArray mountPointOf(const QByteArray& path)
{
    return mountPointAmong(path, mountPoints());
}

QByteArray mountPointAmong(const QByteArray& path, const QByteArrayList& points)
{
    if (!path.startsWith('/'))
        return {};
    QByteArray best;
    for (const QByteArray& point : points) {
        const bool contains = path.startsWith(point)
                              && (point.endsWith('/') || path.size() == point.size() || path.at(point.size()) == '/');
        if (contains && point.size() > best.size())
            best = point;
    }
    return best.isEmpty() ? QByteArray("/") : best;
}

#include "BackgroundWriter.h"

#include "Desktop.h"
#include "Failure.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace {

// Bytes queued for the disk at most; the writer waits for room beyond that.
constexpr qsizetype QueueLimitBytes = qsizetype(4) << 20;

// The longest a wait for the helper goes without letting the event loop run.
constexpr std::chrono::milliseconds WaitSlice(2);

enum class Ending { None, Commit, Abandon };

} // namespace

struct BackgroundWriter::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::unique_ptr<ReplacingFile> file;
    std::deque<QByteArray> queue;
    qsizetype queuedBytes = 0;
    Ending ending = Ending::None;
    std::exception_ptr failure;
    bool opened = false;
    bool finished = false;
};

namespace {

using State = BackgroundWriter::State;

// Runs on the helper thread: opens the file, then writes the queued bytes in
// order, then commits, until the first failure or until the file is abandoned.
void writeQueued(const std::shared_ptr<State>& state, const ReplacingFileOpener& open, const QString& path,
                 const QByteArray& fileSystem)
{
    std::unique_ptr<ReplacingFile> file;
    std::exception_ptr openFailure;
    try {
        const BackgroundThreads::SlowCall call(fileSystem);
        file = open(path);
    } catch (...) {
        openFailure = std::current_exception();
    }
    std::unique_lock lock(state->mutex);
    state->file = std::move(file);
    state->failure = openFailure;
    state->opened = !openFailure;
    state->changed.notify_all();
    for (; !openFailure;) {
        state->changed.wait(lock, [&] { return !state->queue.empty() || state->ending != Ending::None; });
        if (state->ending == Ending::Abandon)
            break;
        const bool committing = state->queue.empty();
        const QByteArray bytes = committing ? QByteArray() : state->queue.front();
        lock.unlock();
        std::exception_ptr failure;
        try {
            const BackgroundThreads::SlowCall call(fileSystem);
            if (committing)
                state->file->commit();
            else
                state->file->write(bytes);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (committing || failure) {
            state->failure = failure;
            break;
        }
        state->queue.pop_front();
        state->queuedBytes -= bytes.size();
        state->changed.notify_all();
    }
    lock.unlock();
    // An uncommitted file is dropped here as well, since that may wait for the disk too.
    {
        const BackgroundThreads::SlowCall call(fileSystem);
        state->file.reset();
    }
    lock.lock();
    state->finished = true;
    state->changed.notify_all();
}

// Waits until the condition holds, letting the event loop run in between.
template <typename Condition>
void waitFor(State& state, Desktop& desktop, std::unique_lock<std::mutex>& lock, Condition condition)
{
    while (!state.changed.wait_for(lock, WaitSlice, condition)) {
        lock.unlock();
        desktop.yieldToEventLoop();
        lock.lock();
    }
}

} // namespace

BackgroundWriter::BackgroundWriter(const ReplacingFileOpener& open, const QString& path, Desktop& desktop)
    : state_(std::make_shared<State>()), desktop_(desktop), work_(BackgroundThreads::instance().newWork())
{
    BackgroundThreads& threads = BackgroundThreads::instance();
    const QByteArray fileSystem = mountPointOf(QFile::encodeName(path));
    if (!threads.answers(fileSystem))
        throw Failure::fromErrno(ETIMEDOUT, path);
    if (!threads.start(work_, "scriv-save",
                       [state = state_, open, path, fileSystem] { writeQueued(state, open, path, fileSystem); }))
        throw Failure::fromErrno(EAGAIN, path);
}

BackgroundWriter::~BackgroundWriter()
{
    std::lock_guard lock(state_->mutex);
    if (state_->finished)
        return;
    state_->ending = Ending::Abandon;
    state_->changed.notify_all();
    work_->giveUp();
}

void BackgroundWriter::awaitOpen()
{
    std::unique_lock lock(state_->mutex);
    waitFor(*state_, desktop_, lock, [&] { return state_->opened || state_->finished; });
    if (!state_->opened)
        std::rethrow_exception(state_->failure);
}

void BackgroundWriter::write(QByteArray bytes)
{
    std::unique_lock lock(state_->mutex);
    waitFor(*state_, desktop_, lock, [&] { return state_->finished || state_->queuedBytes < QueueLimitBytes; });
    if (state_->failure)
        std::rethrow_exception(state_->failure);
    state_->queuedBytes += bytes.size();
    state_->queue.push_back(std::move(bytes));
    state_->changed.notify_all();
}

void BackgroundWriter::commit()
{
    finish(true);
}

void BackgroundWriter::abandon()
{
    finish(false);
}

void BackgroundWriter::finish(bool keep)
{
    std::unique_lock lock(state_->mutex);
    if (state_->ending == Ending::None)
        state_->ending = keep ? Ending::Commit : Ending::Abandon;
    state_->changed.notify_all();
    waitFor(*state_, desktop_, lock, [&] { return state_->finished; });
    if (keep && state_->failure)
        std::rethrow_exception(state_->failure);
}

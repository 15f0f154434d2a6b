#include "results/BackgroundWriter.h"

#include "common/Desktop.h"
#include "common/Failure.h"
#include "io/IoQueue.h"
#include "io/PathRequest.h"

#include <QFile>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>

namespace {

// Bytes queued for the disk at most; the writer waits for room beyond that.
constexpr qsizetype QueueLimitBytes = qsizetype(4) << 20;

// The longest a wait for the disk goes without letting the event loop run.
constexpr std::chrono::milliseconds WaitSlice(2);

enum class Ending { None, Commit, Abandon };

} // namespace

// What the window's thread and the file's requests share, under its mutex; the file itself belongs to the one
// request under way.
struct BackgroundWriter::State {
    // Under the lock: a request to write what is queued, unless one is under way or the file is done with.
    void startWriting(const std::shared_ptr<State>& self);
    void fail(std::exception_ptr error);
    void changeQueuedBytes(qsizetype by) { queuedBytes += by; }

    QString path;
    std::mutex mutex;
    std::condition_variable changed;
    std::unique_ptr<ReplacingFile> file;
    std::optional<Device> lane; // once open: the file system its path reached
    std::deque<QByteArray> queue;
    qsizetype queuedBytes = 0;
    Ending ending = Ending::None;
    std::exception_ptr failure;
    bool writing = false; // a request is under way
    bool opened = false;
    bool finished = false; // nothing more happens to the file for the window
};

namespace {

using State = BackgroundWriter::State;

// Opens the file where its path reaches.
class OpenFile : public PathRequest {
public:
    OpenFile(std::shared_ptr<State> state, ReplacingFileOpener open)
        : PathRequest(QFile::encodeName(state->path), PathResolution::LastLink::Follow),
          state_(std::move(state)),
          open_(std::move(open))
    {
    }

    void call(const QByteArray&, const QByteArray& reached, const std::shared_ptr<const MountTable>& mounts) override
    {
        lane_ = mounts->deviceOf(reached);
        try {
            file_ = open_(state_->path);
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    void answer(int error) override
    {
        std::lock_guard lock(state_->mutex);
        if (error != 0 || failure_) {
            state_->fail(error != 0 ? std::make_exception_ptr(Failure::fromErrno(error, state_->path)) : failure_);
            return;
        }
        state_->file = std::move(file_);
        state_->lane = lane_;
        state_->opened = true;
        state_->changed.notify_all();
        state_->startWriting(state_);
    }

private:
    std::shared_ptr<State> state_;
    ReplacingFileOpener open_;
    Device lane_ = 0;
    std::unique_ptr<ReplacingFile> file_; // dropped here when the time-out answered first
    std::exception_ptr failure_;
};

// Writes the queued bytes in order, then commits when asked, or drops the file once it is abandoned or failed;
// what the window queues meanwhile is written by the same request.
class WriteFile : public IoRequest {
public:
    explicit WriteFile(std::shared_ptr<State> state) : state_(std::move(state)) {}

    std::optional<Device> run(IoQueue&, std::optional<Device>) override
    {
        std::unique_lock lock(state_->mutex);
        for (;;) {
            const bool drop = state_->ending == Ending::Abandon || state_->failure;
            const bool committing = !drop && state_->queue.empty() && state_->ending == Ending::Commit;
            if (!drop && !committing && state_->queue.empty())
                return std::nullopt;
            if (!drop) {
                ReplacingFile* const file = state_->file.get();
                const QByteArray bytes = committing ? QByteArray() : state_->queue.front();
                lock.unlock();
                std::exception_ptr failure;
                try {
                    if (committing)
                        file->commit();
                    else
                        file->write(bytes);
                } catch (...) {
                    failure = std::current_exception();
                }
                lock.lock();
                if (failure) {
                    state_->fail(failure);
                    continue; // dropped next
                }
                if (!committing) {
                    state_->queue.pop_front();
                    state_->changeQueuedBytes(-bytes.size());
                    state_->changed.notify_all();
                    continue;
                }
            }
            // Committed or given up: the file goes here too, since that may wait for the disk as well.
            std::unique_ptr<ReplacingFile> done = std::move(state_->file);
            lock.unlock();
            done.reset();
            lock.lock();
            state_->finished = true;
            state_->changed.notify_all();
            return std::nullopt;
        }
    }

    void answer(int error) override
    {
        std::lock_guard lock(state_->mutex);
        state_->writing = false;
        if (error != 0) {
            // Its call never came back: the file stays with it, and the window goes on without it.
            state_->fail(std::make_exception_ptr(Failure::fromErrno(error, state_->path)));
            state_->finished = true;
        }
        state_->changed.notify_all();
        state_->startWriting(state_);
    }

private:
    std::shared_ptr<State> state_;
};

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

void BackgroundWriter::State::startWriting(const std::shared_ptr<State>& self)
{
    const bool work = !queue.empty() || ending != Ending::None || failure;
    if (writing || finished || !opened || !work || !file || !lane)
        return;
    writing = true;
    if (const int error = IoQueue::instance().submit(std::make_shared<WriteFile>(self), lane)) {
        // Its file system does not answer: the file is left to it, since dropping it would hang as well.
        writing = false;
        fail(std::make_exception_ptr(Failure::fromErrno(error, path)));
        finished = true;
        [[maybe_unused]] const ReplacingFile* const leftToItsFileSystem = file.release();
    }
}

void BackgroundWriter::State::fail(std::exception_ptr error)
{
    if (!failure)
        failure = std::move(error);
    if (!opened)
        finished = true;
    changed.notify_all();
}

BackgroundWriter::BackgroundWriter(const ReplacingFileOpener& open, const QString& path, Desktop& desktop)
    : state_(std::make_shared<State>()), desktop_(desktop)
{
    state_->path = path;
    if (const int error = IoQueue::instance().submit(std::make_shared<OpenFile>(state_, open)))
        throw Failure::fromErrno(error, path);
}

BackgroundWriter::~BackgroundWriter()
{
    std::lock_guard lock(state_->mutex);
    if (state_->finished)
        return;
    if (state_->ending == Ending::None)
        state_->ending = Ending::Abandon;
    state_->startWriting(state_);
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
    state_->changeQueuedBytes(bytes.size());
    state_->queue.push_back(std::move(bytes));
    state_->startWriting(state_);
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
    state_->startWriting(state_);
    waitFor(*state_, desktop_, lock, [&] { return state_->finished; });
    if (keep && state_->failure)
        std::rethrow_exception(state_->failure);
}

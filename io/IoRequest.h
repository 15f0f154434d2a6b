#pragma once

#include "io/MountTable.h"

#include <atomic>
#include <chrono>
#include <optional>

// Design map: see IoQueue.h, which runs these.

class IoQueue;

// One piece of work that may block on a file system.
class IoRequest {
public:
    virtual ~IoRequest() = default;

    // On one of the queue's threads, holding a call slot of `lane` (none before it has been placed in one): makes
    // its calls and keeps their results, telling the queue as each returns (IoQueue::callReturned). Returns the lane it
    // goes on in when its next call goes to another file system; nothing once done. Throws only for want of memory.
    virtual std::optional<Device> run(IoQueue& queue, std::optional<Device> lane) = 0;
    // Exactly once unless taken back, on one of the queue's threads and never under its lock: 0 once run() is
    // done, ETIMEDOUT when its lane stopped answering first (its call, or another there, went unanswered for
    // the time-out; a run() still under way then finishes for nobody), ENOMEM when run() threw.
    virtual void answer(int error) = 0;

private:
    friend class IoQueue;
    enum class Stage { New, Queued, Running, Answered };
    // Under the queue's lock.
    Stage stage_ = Stage::New;
    std::optional<Device> lane_;
    // When the call under way began; set by the thread that runs it, read by the one that watches the time-out.
    std::atomic<std::chrono::steady_clock::rep> callStart_{0};
};

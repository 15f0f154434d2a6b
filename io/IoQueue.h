#pragma once

#include "io/IoRequest.h"
#include "io/MountTable.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Design map
// Owns: every call the program makes that may block on a file system (listings, stats, readlinks, the save's
//   open, writes and commit), as requests queued in lanes, one lane per file system, keyed by device; the threads
//   that make those calls ("scriv-io"); the mount table the lanes of paths are found with.
// Threads: requests are submitted and taken back from any thread; they run on the queue's threads and are
//   answered there. It knows nothing of what a request is for: requests in, answers out.
// Shared: the lanes, the counts and the mount table, under State::mutex. A request's results are its own: the
//   queue only orders run() before answer(), and never calls either under its lock.
// Bounds: at most Settings::threads threads alive; at most Settings::callsPerFileSystem calls under way on one file
//   system, while more wait in its lane without a thread; one thread kept idle while calls are under way, to
//   answer them at the time-out. A thread whose call never returns is never joined and holds only itself and its
//   one slot of that lane; it counts as stuck once the time-out has answered for it.

// A call unanswered this long means its file system has stopped answering, not that it is slow: a loaded server
// or a long link adds seconds to a call, a dead one keeps it forever, and the kernel's own NFS client waits 60 s
// before it even retries a request over TCP. Far beyond the first, and short enough that a person still at the
// window sees "Connection timed out" in the same sitting. Past it the request is answered ETIMEDOUT, and so is
// new work on that file system until the call comes back.
inline constexpr std::chrono::seconds FileSystemTimeOut{30};

class IoQueue {
public:
    struct Settings {
        int threads = 64;
        // The walk keeps up to 12 listings in flight on a share; a dead one costs no more threads than that.
        int callsPerFileSystem = 12;
        std::chrono::milliseconds timeOut = FileSystemTimeOut;
        // An idle thread ends after this, unless it is the one left to watch calls under way.
        std::chrono::milliseconds idleThreadEnd{2000};
        // The text of the mount table; tests add mounts of their own.
        std::function<QByteArray()> mountInfo;
    };

    // The program's queue. It lives until the process ends: a stuck thread may still come back to it.
    static IoQueue& instance();
    explicit IoQueue(const Settings& settings);

    // Queues a request in the lane of a file system, or without a lane to let run() find its first. 0, or why it
    // will never run: ETIMEDOUT when that file system is not answering, EAGAIN when no thread can be had.
    int submit(const std::shared_ptr<IoRequest>& request, std::optional<Device> lane = std::nullopt);
    // Takes back a request that has not started; true when it will neither run nor be answered.
    bool cancel(const std::shared_ptr<IoRequest>& request);
    // Within run(), on the queue's thread: the call just made came back, so the time-out counts afresh from now.
    // A request that makes many calls (a long listing, lookups of many paths, a save) says so after each, since
    // the time-out is for one call, never for the sum. Anywhere else it does nothing.
    static void callReturned();

    // The mount table, read again when a second old.
    std::shared_ptr<const MountTable> mounts();

    Settings settings() const;
    // For tests and the benchmark: takes effect for the calls that start from now on.
    void setSettings(const Settings& settings);

    int threadsAlive() const;
    int threadsStuck() const;
    int callsUnderWay() const;

    struct State;

private:
    explicit IoQueue(std::shared_ptr<State> state) : state_(std::move(state)) {}

    std::shared_ptr<State> state_;
};

// The process's mount table, /proc/self/mountinfo.
QByteArray readMountInfo();

#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <chrono>
#include <functional>
#include <memory>

// The one owner of the program's background threads. Every helper (the
// walker and its listing helpers, the item looks, the save's writer) starts
// here: each thread has a name, lives exactly as long as its work, and the
// number alive at once is bounded. Nothing ever waits for one to end, so a
// thread stuck in a call on a dead mount holds only itself.
//
// Work that touches a file system marks each call that may not return with a
// SlowCall. A thread whose owner has given up on its work (Stop, a look out
// of patience, a save abandoned) and that has been in such a call for a
// while counts as stuck, against the file system of that call. While one is
// stuck there, that file system does not answer: new work on it is refused
// and treated as unreadable or missing, instead of starting one more thread
// that would hang as well. Past a bound of stuck threads in all, no file
// system answers.
class BackgroundThreads {
public:
    struct Limits {
        int threads = 64; // alive at once
        int stuck = 16;   // stuck at once, past which nothing answers
        // In a call this long after being given up on, a thread is stuck.
        std::chrono::milliseconds stuckAfter{250};
    };

    // What a group of threads works for; the owner gives it up once it no
    // longer wants the answer. Shared by the owner and its threads.
    class Work {
    public:
        // Hung: the owner saw the call outlast its patience, so the thread
        // is stuck at once; otherwise only once its call has lasted a while.
        enum class Reason { NoLongerWanted, Hung };
        void giveUp(Reason reason = Reason::NoLongerWanted);
        bool givenUp() const;

    private:
        friend class BackgroundThreads;
        explicit Work(BackgroundThreads& owner) : owner_(owner) {}
        BackgroundThreads& owner_;
        // Under the owner's mutex.
        bool givenUp_ = false;
        bool hung_ = false;
    };

    // The program's one set; it lives until the process ends, since a stuck
    // thread may still come back to it.
    static BackgroundThreads& instance();

    explicit BackgroundThreads(Limits limits);
    ~BackgroundThreads();
    BackgroundThreads(const BackgroundThreads&) = delete;
    BackgroundThreads& operator=(const BackgroundThreads&) = delete;

    std::shared_ptr<Work> newWork();

    // Runs body on a new thread named `name` (at most 15 characters, as
    // top -H and gdb show it). False when the bound is reached or the system
    // has no thread to spare; body is not run then.
    bool start(const std::shared_ptr<Work>& work, const char* name, std::function<void()> body);

    // Whether new work on this file system may start.
    bool answers(const QByteArray& fileSystem) const;

    int alive() const;
    int stuck() const;
    const Limits& limits() const { return limits_; }

    // Around a call that may never return, on one of these threads; the file
    // system is the mount the call goes to (see mountPointOf).
    class SlowCall {
    public:
        explicit SlowCall(const QByteArray& fileSystem);
        ~SlowCall();
        SlowCall(const SlowCall&) = delete;
        SlowCall& operator=(const SlowCall&) = delete;
    };

    struct Thread;

private:
    struct State;
    // Under the mutex.
    bool isStuck(const Thread& thread, std::chrono::steady_clock::time_point now) const;

    const Limits limits_;
    std::unique_ptr<State> state_;
};

// The mount point a path lies on, by the longest mount point that is a
// prefix of it in the system's mount table; empty for a relative path. Never
// touches the file system itself, so a dead mount cannot hold it.
QByteArray mountPointOf(const QByteArray& path);
// The same among the given mount points.
QByteArray mountPointAmong(const QByteArray& path, const QByteArrayList& points);

// The system's mount points, read from the process's mount table.
QByteArrayList mountPoints();

// Which file system a path is on, for counting stuck threads.
using FileSystemOf = std::function<QByteArray(const QByteArray& path)>;

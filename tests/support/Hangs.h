#pragma once

#include "io/IoQueue.h"

#include <QByteArray>
#include <QByteArrayList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <sys/sysmacros.h>

// Calls that hang wait here until the test opens the gate; once open, every wait returns at once. A gate left
// shut for a minute opens itself and says so, so a test that forgets it fails instead of hanging.
class Gate {
public:
    void wait()
    {
        std::unique_lock lock(mutex_);
        ++waiting_;
        if (!waitingSince_)
            waitingSince_ = std::chrono::steady_clock::now();
        if (!opened_.wait_for(lock, std::chrono::minutes(1), [&] { return open_; }))
            timedOut_ = open_ = true;
        --waiting_;
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    int waiting() const
    {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    // Whether a call has been held at the gate this long.
    bool heldFor(std::chrono::milliseconds time) const
    {
        std::lock_guard lock(mutex_);
        return waitingSince_ && std::chrono::steady_clock::now() - *waitingSince_ >= time;
    }
    bool timedOut() const
    {
        std::lock_guard lock(mutex_);
        return timedOut_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    std::optional<std::chrono::steady_clock::time_point> waitingSince_;
    bool open_ = false;
    bool timedOut_ = false;
    int waiting_ = 0;
};

// A made-up file system's device, apart from every real one.
inline Device fakeDevice(unsigned number)
{
    return makedev(0, 9000 + number);
}

// While it lives, the program's I/O queue runs as changed, and its mount table holds made-up mounts besides
// the real ones: each point a file system of its own.
class QueueSettings {
public:
    explicit QueueSettings(const std::function<void(IoQueue::Settings&)>& change, const QByteArrayList& fakeMounts = {})
        : saved_(IoQueue::instance().settings())
    {
        IoQueue::Settings settings = saved_;
        change(settings);
        QByteArray rows;
        for (const QByteArray& point : fakeMounts) {
            const QByteArray number = QByteArray::number(9000 + ++mountsMade_);
            rows +=
                number + " 1 0:" + number + " / " + QByteArray(point).replace(" ", "\\040") + " rw - fake fake rw\n";
        }
        if (!rows.isEmpty())
            settings.mountInfo = [read = saved_.mountInfo, rows] { return read() + rows; };
        IoQueue::instance().setSettings(settings);
    }
    ~QueueSettings() { IoQueue::instance().setSettings(saved_); }
    QueueSettings(const QueueSettings&) = delete;
    QueueSettings& operator=(const QueueSettings&) = delete;

private:
    static inline unsigned mountsMade_ = 0;
    IoQueue::Settings saved_;
};

#pragma once

#include "io/IoQueue.h"

#include <QByteArray>
#include <QByteArrayList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <sys/sysmacros.h>

// Calls that hang wait here until the test opens the gate; once open, every wait returns at once.
class Gate {
public:
    void wait()
    {
        std::unique_lock lock(mutex_);
        ++waiting_;
        opened_.wait(lock, [&] { return open_; });
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

private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    int waiting_ = 0;
};

// A made-up file system's device, apart from every real one.
inline Device fakeDevice(unsigned number)
{
    return makedev(0, 9000 + number);
}

// While it lives, the program's I/O queue runs as changed, and reads the system's mount table with made-up
// mounts added: each point becomes fakeDevice() of its place in the list, from 1.
class QueueSettings {
public:
    explicit QueueSettings(const std::function<void(IoQueue::Settings&)>& change, const QByteArrayList& fakeMounts = {})
        : saved_(IoQueue::instance().settings())
    {
        IoQueue::Settings settings = saved_;
        change(settings);
        QByteArray rows;
        for (qsizetype place = 0; place < fakeMounts.size(); ++place) {
            const QByteArray number = QByteArray::number(9000 + place + 1);
            rows += number + " 1 0:" + number + " / " + QByteArray(fakeMounts[place]).replace(" ", "\\040")
                    + " rw - fake fake rw\n";
        }
        if (!rows.isEmpty())
            settings.mountInfo = [rows] { return readMountInfo() + rows; };
        IoQueue::instance().setSettings(settings);
    }
    ~QueueSettings() { IoQueue::instance().setSettings(saved_); }
    QueueSettings(const QueueSettings&) = delete;
    QueueSettings& operator=(const QueueSettings&) = delete;

private:
    IoQueue::Settings saved_;
};

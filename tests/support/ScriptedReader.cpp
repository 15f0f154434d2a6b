#include "ScriptedReader.h"

#include <chrono>
#include <thread>

int ScriptedReader::read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders)
{
    const int now = ++inFlight_;
    for (int seen = maxInFlight_; now > seen && !maxInFlight_.compare_exchange_weak(seen, now);) {
    }
    const int result = scriptedRead(folderFd, path, files, subfolders);
    --inFlight_;
    return result;
}

void ScriptedReader::release()
{
    std::lock_guard lock(mutex_);
    isReleased_ = true;
    released_.notify_all();
}

QByteArrayList ScriptedReader::readPaths() const
{
    std::lock_guard lock(mutex_);
    return readPaths_;
}

int ScriptedReader::scriptedRead(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders)
{
    if (maxDelayUs > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(qHash(path, delaySeed) % size_t(maxDelayUs)));
    {
        std::unique_lock lock(mutex_);
        readPaths_ << path;
        if (failures.contains(path))
            return failures.value(path);
        if (path == hangAt) {
            hanging = true;
            released_.wait(lock, [&] { return isReleased_; });
        }
    }
    const int result = real_.read(folderFd, path, files, subfolders);
    if (path == hangAt)
        leftHang = true;
    return result;
}

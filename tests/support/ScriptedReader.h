#pragma once

#include "search/PosixFolderReader.h"
#include "tests/support/Hangs.h"
#include "tests/support/SearchHarness.h"
#include "tests/support/TestFiles.h"

#include <QByteArrayList>
#include <QHash>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>

// The real reader, except that chosen folders fail with an errno, one folder's listing hangs at a gate until it
// is released, the listings below a folder take a fixed while, as on a slow share, and listings may take a while
// that a seed and the path choose, so they finish in a random order.
class ScriptedReader : public FolderReader {
public:
    int read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders) override
    {
        const int now = ++inFlight_;
        for (int seen = maxInFlight_; now > seen && !maxInFlight_.compare_exchange_weak(seen, now);) {
        }
        const int result = scriptedRead(folderFd, path, files, subfolders);
        --inFlight_;
        return result;
    }

    void release() { gate->release(); }

    QByteArrayList readPaths() const
    {
        std::lock_guard lock(mutex_);
        return readPaths_;
    }

    int maxInFlight() const { return maxInFlight_; }

    // Set before a run.
    QHash<QByteArray, int> failures;
    QByteArray hangAt;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>(); // readers may share one
    QByteArray slowBelow;
    std::chrono::milliseconds slowFor{0};
    size_t delaySeed = 0;
    int maxDelayUs = 0;
    std::atomic<bool> hanging{false};
    std::atomic<bool> leftHang{false};

private:
    int scriptedRead(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders)
    {
        if (maxDelayUs > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(qHash(path, delaySeed) % size_t(maxDelayUs)));
        {
            std::lock_guard lock(mutex_);
            readPaths_ << path;
            if (failures.contains(path))
                return failures.value(path);
        }
        if (!slowBelow.isEmpty() && (path == slowBelow || path.startsWith(slowBelow + '/')))
            std::this_thread::sleep_for(slowFor);
        if (path == hangAt) {
            hanging = true;
            gate->wait();
        }
        const int result = real_.read(folderFd, path, files, subfolders);
        if (path == hangAt)
            leftHang = true;
        return result;
    }

    std::atomic<int> inFlight_{0};
    std::atomic<int> maxInFlight_{0};
    PosixFolderReader real_;
    mutable std::mutex mutex_;
    QByteArrayList readPaths_;
};

using Harness = SearchHarness<ScriptedReader>;

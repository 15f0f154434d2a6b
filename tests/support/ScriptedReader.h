#pragma once

#include "SearchHarness.h"
#include "TestFiles.h"
#include "search/FolderReader.h"

#include <QByteArrayList>
#include <QHash>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>

// The real reader, except that chosen folders fail with an errno, one
// folder's listing hangs until released, and listings may take a while that
// a seed and the path choose, so they finish in a random order.
class ScriptedReader : public FolderReader {
public:
    int read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders) override;

    void release();
    QByteArrayList readPaths() const;
    int maxInFlight() const { return maxInFlight_; }

    // Set before a run.
    QHash<QByteArray, int> failures;
    QByteArray hangAt;
    size_t delaySeed = 0;
    int maxDelayUs = 0;
    std::atomic<bool> hanging{false};
    std::atomic<bool> leftHang{false};

private:
    int scriptedRead(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders);

    std::atomic<int> inFlight_{0};
    std::atomic<int> maxInFlight_{0};
    PosixFolderReader real_;
    mutable std::mutex mutex_;
    QByteArrayList readPaths_;
    std::condition_variable released_;
    bool isReleased_ = false;
};

using Harness = SearchHarness<ScriptedReader>;

#pragma once

#include "BackgroundThreads.h"
#include "ReplacingFile.h"

#include <QByteArray>

#include <memory>

class Desktop;

// Opens, writes and commits a replacing file on a helper thread, fed through
// a bounded queue, so a slow or hung disk never holds up the window's thread:
// that thread only queues bytes, and lets the event loop run whenever it has
// to wait for the helper.
class BackgroundWriter {
public:
    // Starts opening the file at once; awaitOpen() tells how that went.
    // Throws Failure when the target's file system does not answer (a save
    // there is stuck) or no thread can be had.
    BackgroundWriter(const ReplacingFileOpener& open, const QString& path, Desktop& desktop);
    // Without commit() or abandon(), the file is dropped uncommitted by the
    // helper once its disk lets it; nothing waits for that.
    ~BackgroundWriter();

    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Waits until the file is open; throws the failure to open it.
    void awaitOpen();
    // Queues the bytes, waiting while the queue is full. Throws the failure
    // of an earlier write once the helper has met one.
    void write(QByteArray bytes);
    // Waits until every byte is written and the file committed; throws the
    // first failure of either.
    void commit();
    // Drops the file uncommitted and waits until the helper has let it go.
    void abandon();

    struct State;

private:
    void finish(bool keep);

    std::shared_ptr<State> state_;
    Desktop& desktop_;
    std::shared_ptr<BackgroundThreads::Work> work_;
};

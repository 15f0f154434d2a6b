#pragma once

#include "results/ReplacingFile.h"

#include <QByteArray>

#include <memory>

class Desktop;

// Opens, writes and commits a replacing file through the I/O queue, fed through a bounded buffer, so a slow or
// hung disk never holds up the window's thread: that thread only queues bytes, and lets the event loop run
// whenever it has to wait. The file is opened in the lane of the file system its path reaches, and written and
// committed there, one call at a time; a call that file system leaves unanswered for the queue's time-out fails
// the save with "Connection timed out".
class BackgroundWriter {
public:
    // Starts opening the file at once; awaitOpen() tells how that went. Throws Failure when no thread can be had.
    BackgroundWriter(const ReplacingFileOpener& open, const QString& path, Desktop& desktop);
    // Without commit() or abandon(), the file is dropped uncommitted on an I/O thread once its disk lets it;
    // nothing waits for that.
    ~BackgroundWriter();

    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Waits until the file is open; throws the failure to open it.
    void awaitOpen();
    // Queues the bytes, waiting while the buffer is full. Throws the failure of an earlier write once one has
    // met one.
    void write(QByteArray bytes);
    // Waits until every byte is written and the file committed; throws the first failure of either.
    void commit();
    // Drops the file uncommitted and waits until that is done.
    void abandon();

    struct State;

private:
    void finish(bool keep);

    std::shared_ptr<State> state_;
    Desktop& desktop_;
};

#pragma once

#include "io/PathResolution.h"

#include <QByteArray>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class QObject;

// Design map
// Owns: the answers to one question asked of several paths (does each name an item, a target, a folder?), asked
//   through the I/O queue as one request per folder the paths lie in, each call in the lane of its file system.
// Threads: made, read and dropped on one thread, the asker's (the window's); its requests run on the I/O threads
//   and write each answer as it comes, under Shared::mutex, which the asker reads and waits under.
// Patience: how long the asker waits for answers; a path without one by then is not answering, and what has not
//   started is taken back. Whether its file system answers at all is the queue's time-out, not this.

// The calls a lookup makes; each is true when the path names what was asked.
bool lstatFinds(const QByteArray& path);      // an item, a link counting as itself
bool statFinds(const QByteArray& path);       // an item, a link counting as what it points to
bool statFindsFolder(const QByteArray& path); // a folder, a link counting as what it points to

struct LookupOptions {
    std::function<bool(const QByteArray& path)> call = lstatFinds;      // tests put a call of their own here
    PathResolution::LastLink lastLink = PathResolution::LastLink::Keep; // as the call treats a link at the end
    std::chrono::milliseconds patience{250};
};

inline LookupOptions itemLookup()
{
    return {};
}
inline LookupOptions targetLookup(std::chrono::milliseconds patience)
{
    return {statFinds, PathResolution::LastLink::Follow, patience};
}
inline LookupOptions folderLookup(std::chrono::milliseconds patience = std::chrono::milliseconds(250))
{
    return {statFindsFolder, PathResolution::LastLink::Follow, patience};
}

// Looks up absolute paths on the I/O threads, so a dead mount never holds the asker; paths on other file
// systems, and in other folders, answer whatever one of them does. Starts at once and never waits unless asked.
class Lookup {
public:
    enum class Answer { Pending, Found, Missing, NotAnswering };

    Lookup(std::vector<QByteArray> paths, const LookupOptions& options);
    // Answers that come later are not wanted.
    ~Lookup();
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

    // Never waits.
    Answer answer(std::size_t path) const;
    // Whether every path has its answer; never waits.
    bool settled() const;
    // Waits until every path has its answer, running whileWaiting between waits of a few milliseconds.
    void await(const std::function<void()>& whileWaiting);
    // Runs `then` once on the context's thread, as soon as every path has its answer; never once this lookup is
    // gone, which it must be before the context is. Called on the context's thread.
    void whenSettled(QObject* context, std::function<void()> then);

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

// Waits for the answers; a path that did not answer counts as not found.
std::vector<bool> lookUp(const std::vector<QByteArray>& paths, const LookupOptions& options,
                         const std::function<void()>& whileWaiting = {});

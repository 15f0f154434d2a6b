#pragma once

#include "BackgroundThreads.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// Whether a path names an existing file or folder; a link counts as itself.
bool itemExists(const QByteArray& path);
// Whether a path names something that exists, a link counting as what it points to.
bool targetExists(const QByteArray& path);
// Whether a path names a folder, a link counting as what it points to.
bool isFolder(const QByteArray& path);

// How items are looked at.
struct ItemLooks {
    std::function<bool(const QByteArray&)> look = itemExists;
    // How long one look may take before it counts as not answering.
    std::chrono::milliseconds patience{250};
    FileSystemOf fileSystemOf = mountPointOf;
};

// Looks up whether each path names an existing item, in order, on a helper
// thread, so that a hung mount never holds the caller. A look that has not
// answered within its patience does not answer; so do the looks of every
// later path on its file system while that look is stuck, and the paths on
// other file systems are looked up on a fresh thread. Starts at once and
// never waits; the thread of a look that never returns is left to it.
class ItemLookup {
public:
    enum class Answer { Pending, Exists, Missing, NotAnswering };

    ItemLookup(std::vector<QByteArray> paths, ItemLooks looks = {});
    // Answers that come later are not wanted.
    ~ItemLookup();
    ItemLookup(const ItemLookup&) = delete;
    ItemLookup& operator=(const ItemLookup&) = delete;

    // Gives up a look that has outlasted its patience; true once every path
    // has its answer. Never waits.
    bool settle();
    // Waits until every path has its answer, running whileWaiting every few
    // milliseconds.
    void await(const std::function<void()>& whileWaiting);

    Answer answer(std::size_t path) const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

// Waits for the answers; a path that did not answer counts as missing.
std::vector<bool> lookUpItems(const std::vector<QByteArray>& paths, const std::function<void()>& whileWaiting = {},
                              const ItemLooks& looks = {});

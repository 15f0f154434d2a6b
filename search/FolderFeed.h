#pragma once

#include "FolderReader.h"
#include "NameList.h"
#include "SkipRules.h"

#include <QByteArray>

#include <chrono>
#include <memory>

// One folder of a walk, as the helper thread read it.
struct FolderListing {
    enum class State {
        Listed,     // files holds the folder's files
        Unreadable, // the folder could not be opened or read; error says why
        NotAFolder, // the walk's own folder does not exist or is no folder
    };
    State state = State::Listed;
    QByteArray path; // as the walk reports it
    int error = 0;
    NameList files;
};

// What the helper thread and the walk share; it lives as long as either.
struct FolderFeedQueue;

// Lists the folders of one walk ahead of it, in walk order (a folder, then
// each subfolder's tree, depth first), on a helper thread, a bounded number
// ahead. A listing that never returns holds only the helper: it is told to
// quit when the feed goes, and nobody ever waits for it. Skipped folders are
// never opened; when the walk's own folder is skipped, the feed is empty.
class FolderFeed {
public:
    FolderFeed(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip = {});
    ~FolderFeed();

    FolderFeed(const FolderFeed&) = delete;
    FolderFeed& operator=(const FolderFeed&) = delete;

    enum class Next { Ready, Pending, Finished };
    // The next folder in walk order, waiting for it at most `wait`.
    Next next(FolderListing& listing, std::chrono::milliseconds wait);

private:
    std::shared_ptr<FolderFeedQueue> shared_;
};

// The path of a walk's own folder as the walk reports it: separators
// collapsed and no trailing one, except for the root "/".
QByteArray reportedFolderPath(const QByteArray& folder);

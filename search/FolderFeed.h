#pragma once

#include "search/FolderReader.h"
#include "search/NameList.h"
#include "search/SkipRules.h"

#include <QByteArray>

#include <chrono>
#include <memory>

// One folder of a walk, as it was listed.
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

// How far the lister reads ahead of the walk. A listing the walk waits for
// next always starts when a listing may start; only the read-ahead beyond it
// is held to the bounds.
struct ReadAhead {
    int listingsPerFileSystem = 12;       // in flight at once on one file system
    int listings = 24;                    // in flight at once in all
    int folders = 256;                    // listed and not yet taken by the walk
    qsizetype bytes = qsizetype(8) << 20; // their paths and file names
    // In flight on a file system that answers at once, such as a warm disk, where listing is work for the
    // processors: the window's walk keeps one busy itself, a walk that only prints leaves the others free.
    int leastPerFileSystem = 1;
};

class TreeLister;

// Lists the folders of one walk ahead of it and hands them over in walk order
// (a folder, then each subfolder's tree, depth first). Several listings are in
// flight at once through the I/O queue, the earliest folders of the walk first,
// so a share that answers each listing late is read at the pace of many. A
// listing that never returns holds only a thread of the queue, and is reported
// as a folder that cannot be read once the queue's time-out answers for it;
// when the feed goes, what has not started is taken back. Skipped folders are
// never opened; when the walk's own folder is skipped, the feed is empty.
class FolderFeed {
public:
    FolderFeed(std::shared_ptr<FolderReader> reader, QByteArray folder, bool includeSubfolders, SkipRules skip = {},
               ReadAhead readAhead = defaultReadAhead());
    ~FolderFeed();

    FolderFeed(const FolderFeed&) = delete;
    FolderFeed& operator=(const FolderFeed&) = delete;

    enum class Next { Ready, Pending, Finished };
    // The next folder in walk order, waiting for it at most `wait`.
    Next next(FolderListing& listing, std::chrono::milliseconds wait);

    // What feeds made from now on read ahead by default; the benchmark
    // compares settings with it.
    static ReadAhead defaultReadAhead();
    static void setDefaultReadAhead(const ReadAhead& readAhead);

private:
    std::shared_ptr<TreeLister> lister_;
};

// The path of a walk's own folder as the walk reports it: separators
// collapsed and no trailing one, except for the root "/".
QByteArray reportedFolderPath(const QByteArray& folder);

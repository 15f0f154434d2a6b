#pragma once

#include "search/FolderFeed.h"
#include "search/FolderReader.h"
#include "search/ResultForm.h"
#include "search/SkipRules.h"

#include <QByteArray>
#include <QString>

#include <memory>

class Desktop;
class FolderListModel;
class PhraseMatcher;
class ResultModel;
class SearchControls;

// What the walk reads and writes besides the file system.
struct WalkContext {
    Desktop& desktop;
    FolderListModel& folderList; // its header shows the folder being searched
    ResultModel& results;
    const bool& stopRequested;
    const SearchControls& controls; // the result form is read for every matching file
    std::shared_ptr<FolderReader> reader;
    SkipRules skip; // folders no walk opens
};

// The walk of one folder-list entry: the files of a folder, then, when asked,
// each subfolder's tree, depth first. Every name that contains the phrase,
// ignoring case, adds a line. The window gets a yield before every file and
// while the next folder is still being listed; Stop ends the walk at the
// next check. The listing itself runs ahead on the I/O threads.
class SearchFolder {
public:
    SearchFolder(const WalkContext& context, const QByteArray& folder, bool includeSubfolders);

    // Waits until the folder has been opened. Throws Failure when it does not
    // exist or is no folder; false when Stop came first.
    bool open();

    // Walks the opened folder. Folders that cannot be read are skipped; after
    // the walk, a Failure names the first of them and counts the rest.
    void run(const PhraseMatcher& matcher);

private:
    bool awaitListing();
    bool searchListing(const PhraseMatcher& matcher);
    void noteUnreadable();
    void reportUnreadable() const;
    bool stopRequested() const { return context_.stopRequested; }

    const WalkContext& context_;
    QByteArray folder_;
    FolderFeed feed_;
    FolderListing listing_;
    FolderListing firstUnreadable_;
    int unreadableCount_ = 0;
};

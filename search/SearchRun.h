#pragma once

#include "PointerState.h"

#include "FolderReader.h"
#include "ResultLine.h"

#include <QString>

#include <memory>

class Desktop;
class FolderListModel;
class ResultModel;
class StepTrap;

// What a search run reads and sets on the window. A run yields to the window
// all the time, and a person may retype the phrase or pick another option
// meanwhile; so the phrase is read afresh for each folder-list entry and the
// result form for each matching file, and a change shows from the next entry
// or the next matching file. Whether to go into subfolders is read once.
class SearchControls {
public:
    virtual ~SearchControls() = default;

    virtual QString phrase() const = 0;
    virtual ResultForm resultForm() const = 0;
    virtual int includeSubfolders() const = 0; // 0, 1 or 2 (greyed)

    // The toggle button's caption: "Stop" while a run goes.
    virtual QString startCaption() const = 0;
    virtual void setStartCaption(const QString& caption) = 0;
    virtual void setPointer(PointerState state) = 0;
};

// Start Searching and Stop, both on the one toggle button. A run walks every
// entry of the folder list and appends the matching lines to the result
// list. The Stop click arrives nested in one of the run's yields.
class SearchRun {
public:
    SearchRun(Desktop& desktop, FolderListModel& folderList, ResultModel& results, SearchControls& controls,
              std::shared_ptr<FolderReader> reader = std::make_shared<PosixFolderReader>());

    // Reports its failures through the trap of the handler that calls it.
    void click(StepTrap& trap);

    bool stopRequested() const { return StopRequested; }

private:
    void walkEntries(StepTrap& trap, int includeSubfolders);

    Desktop& desktop_;
    FolderListModel& folderList_;
    ResultModel& results_;
    SearchControls& controls_;
    std::shared_ptr<FolderReader> reader_;
    bool StopRequested = false;
    QString SavedCaption;
};

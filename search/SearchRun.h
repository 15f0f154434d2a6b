#pragma once

#include "search/PosixFolderReader.h"
#include "search/SearchControls.h"

#include <QString>

#include <memory>

class Desktop;
class FolderListModel;
class ResultModel;
class StepTrap;

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

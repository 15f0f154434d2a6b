#pragma once

#include "PointerState.h"

#include "FolderReader.h"
#include "ResultLine.h"

#include <QString>

#include <functional>
#include <memory>

class Desktop;
class FolderListModel;
class ResultModel;
class StepTrap;

// The controls of the window that a search run reads and sets.
struct SearchControls {
    std::function<QString()> startCaption; // PushButton1
    std::function<void(const QString&)> setStartCaption;
    std::function<QString()> phrase;                  // Text1
    std::function<int()> includeSubfolders;           // Check5: 0, 1 or 2
    std::function<bool(int number)> isOptionSelected; // Option1 to Option4
    SetPointerState setPointer;
};

// Start Searching and Stop, both on the one toggle button. A run walks every
// entry of the folder list and appends the matching lines to the result
// list. The Stop click arrives nested in one of the run's yields.
class SearchRun {
public:
    SearchRun(Desktop& desktop, FolderListModel& folderList, ResultModel& results, SearchControls controls,
              std::shared_ptr<FolderReader> reader = std::make_shared<PosixFolderReader>());

    void click();

    bool stopRequested() const { return StopRequested != 0; }

private:
    void walkEntries(StepTrap& trap, int includeSubfolders);
    ResultForm selectedResultForm() const;

    Desktop& desktop_;
    FolderListModel& folderList_;
    ResultModel& results_;
    SearchControls controls_;
    std::shared_ptr<FolderReader> reader_;
    // 16-bit boolean, 0 or -1; any nonzero value counts as true.
    qint16 StopRequested = 0;
    QString SavedCaption;
};

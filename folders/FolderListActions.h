#pragma once

#include "common/PointerState.h"
#include "io/Lookup.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

class Desktop;
class FolderListModel;
class StepTrap;

// What adding to the folder list needs from the window and the settings.
struct FolderListHooks {
    std::function<QString()> readLastFolder;
    std::function<void(const QString&)> writeLastFolder;
    SetPointerState setPointer;
    std::function<void(const QString&)> setPhrase; // Text1
    // How a dropped item is told to be a folder; one that does not answer is none.
    LookupOptions droppedFolders = folderLookup();
};

// Whether a drop may bring a folder of this machine: it holds a local file
// URL. Decided from the URLs alone, so a drag over a dead mount never waits.
bool holdsLocalItem(const QList<QUrl>& urls);

// What adds to the folder list: a folder from the picker, folders dropped
// from a file manager, the sample folder beside the program with its
// demonstration phrase, and the entries that skip a folder or a folder name.
class FolderListActions {
public:
    FolderListActions(Desktop& desktop, FolderListModel& folderList, QString programFolder, FolderListHooks hooks);

    // Each reports its failures through the trap of the handler that calls it.
    void addPickedFolder(StepTrap& trap);
    // Appends the local folders among the URLs in their order; files and
    // remote URLs are passed over. Which are folders is looked up on the
    // I/O threads while the window yields.
    void addDroppedFolders(StepTrap& trap, const QList<QUrl>& urls);
    void addSampleFolder(StepTrap& trap);
    // A folder from the picker, skipped with all below it.
    void addSkippedFolder(StepTrap& trap);
    // A folder name from the input box, skipped wherever it occurs.
    void addSkippedName(StepTrap& trap);

private:
    // The picker's folder, as entry(path) gives it.
    void addFromPicker(StepTrap& trap, const QString& prompt, const std::function<QString(const QString&)>& entry);

    Desktop& desktop_;
    FolderListModel& folderList_;
    QString programFolder_;
    FolderListHooks hooks_;
};

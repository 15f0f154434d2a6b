#pragma once

#include <QString>

#include <functional>

class Desktop;
class FolderListModel;

// What adding to the folder list needs from the window and the settings.
struct FolderListHooks {
    std::function<QString()> readLastFolder;
    std::function<void(const QString&)> writeLastFolder;
    std::function<void(bool busy)> showBusyPointer;
    std::function<void(const QString&)> setPhrase; // Text1
};

// The two buttons that add to the folder list: a folder from the picker,
// and the sample folder beside the program with its demonstration phrase.
class FolderListActions {
public:
    FolderListActions(Desktop& desktop, FolderListModel& folderList, QString programFolder, FolderListHooks hooks);

    void addPickedFolder();
    void addSampleFolder();

private:
    Desktop& desktop_;
    FolderListModel& folderList_;
    QString programFolder_;
    FolderListHooks hooks_;
};

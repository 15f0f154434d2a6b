#pragma once

#include <QString>

#include <optional>

class FolderListModel;

// Folder-list entries that begin with a minus name folders a search leaves
// out: "-/abs/path" skips that folder and all below it, "-name" every folder
// of exactly that name. Picked, dropped and sample folders are absolute
// paths, so none of them begins with a minus.
struct SkipEntry {
    enum class Kind { Folder, Name };
    Kind kind;
    QString target; // the folder's path or the name
};

// The entry that skips a folder path or a folder name.
QString skipEntryFor(const QString& target);
// What an entry skips; none for an entry that is walked.
std::optional<SkipEntry> readSkipEntry(const QString& entry);
// The entries a search walks: all but the skip entries.
qsizetype walkedEntryCount(const FolderListModel& list);
// A name that can be a folder's: not empty, no separator, not "." or "..".
bool isFolderName(const QString& name);

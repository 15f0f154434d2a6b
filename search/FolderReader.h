#pragma once

#include "search/NameList.h"

#include <QByteArray>

// The step of the walk that reads one open folder and sorts its entries into
// files and subfolders. Only real folders are subfolders: a link to a folder
// is a file here, so the walk never follows one into a loop. Runs on the
// I/O queue's threads, several folders at once.
class FolderReader {
public:
    virtual ~FolderReader() = default;

    // Returns 0, or the errno that made the listing fail. path is the
    // folder's path for messages; the folder itself is folderFd, freshly
    // opened: it is read from its start, once, and stays open for the caller.
    virtual int read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders) = 0;
};

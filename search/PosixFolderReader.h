#pragma once

#include "search/FolderReader.h"

// Reads with the system's directory calls, asking for an entry's type only
// when the file system does not report it.
class PosixFolderReader : public FolderReader {
public:
    int read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders) override;
};

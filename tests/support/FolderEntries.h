#pragma once

#include "folders/FolderListModel.h"

#include <QStringList>

// Every entry of the folder list, skip entries too.
inline QStringList folderEntries(const FolderListModel& list)
{
    QStringList entries;
    for (qsizetype entry = 0; entry < list.entryCount(); ++entry)
        entries << list.entry(entry);
    return entries;
}

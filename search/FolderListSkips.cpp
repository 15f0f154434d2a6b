#include "search/FolderListSkips.h"

#include "folders/FolderListModel.h"
#include "folders/SkipEntries.h"
#include "search/FolderFeed.h"

#include <QFile>

SkipRules skipRulesOf(const FolderListModel& list)
{
    SkipRules rules;
    for (qsizetype position = 0; position < list.entryCount(); ++position) {
        const std::optional<SkipEntry> skip = readSkipEntry(list.entry(position));
        if (!skip)
            continue;
        const QByteArray target = QFile::encodeName(skip->target);
        if (skip->kind == SkipEntry::Kind::Folder)
            rules.addFolder(target);
        else
            rules.addName(target);
    }
    return rules;
}

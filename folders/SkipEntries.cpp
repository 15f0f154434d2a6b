#include "folders/SkipEntries.h"

#include "folders/FolderListModel.h"
#include "text/Paths.h"

namespace {

constexpr QChar SkipMark = u'-';

} // namespace

QString skipEntryFor(const QString& target)
{
    return SkipMark + target;
}

std::optional<SkipEntry> readSkipEntry(const QString& entry)
{
    if (!entry.startsWith(SkipMark))
        return std::nullopt;
    const QString target = entry.mid(1);
    const bool isPath = target.startsWith(QLatin1Char(NativeSeparator));
    return SkipEntry{isPath ? SkipEntry::Kind::Folder : SkipEntry::Kind::Name, target};
}

qsizetype walkedEntryCount(const FolderListModel& list)
{
    qsizetype count = 0;
    for (qsizetype position = 0; position < list.entryCount(); ++position)
        if (!readSkipEntry(list.entry(position)))
            ++count;
    return count;
}

bool isFolderName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char(NativeSeparator)) && name != QLatin1String(".")
           && name != QLatin1String("..");
}

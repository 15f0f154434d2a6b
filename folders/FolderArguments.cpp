#include "folders/FolderArguments.h"

#include "text/Paths.h"

#include <QDir>
#include <QString>

#include <filesystem>
#include <system_error>

QByteArray folderEntryFor(const QByteArray& argument, const QByteArray& workingFolder)
{
    if (argument.isEmpty())
        return {};
    const QByteArray absolute =
        argument.startsWith(NativeSeparator) ? argument : workingFolder + NativeSeparator + argument;
    // In Latin-1 every byte is a character of its own and comes back as it was, so the cleaning
    // sees the separators and dots and leaves every other byte alone.
    return NormalizePath(QDir::cleanPath(QString::fromLatin1(absolute)).toLatin1());
}

QByteArray workingFolder()
{
    std::error_code failure;
    return QByteArray::fromStdString(std::filesystem::current_path(failure).native());
}

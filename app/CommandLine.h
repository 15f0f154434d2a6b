#pragma once

#include "io/Lookup.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// What `scrivlist [FOLDER...]` asks for. Options count until "--"; after it
// every argument is a folder, so a folder named "-x" can still be given.
struct CommandLine {
    enum class Action { OpenWindow, ShowHelp, ShowVersion, Refuse };
    Action action = Action::OpenWindow;
    // Refuse: the one line for standard error.
    QString refusal;
    // The folder arguments in their order, as given.
    QStringList folders;
    // Positions, in the argument list, of the toolkit's own options and their
    // values (-platform offscreen): only these reach the toolkit.
    QList<int> toolkitArguments;
};

// The arguments after the program's name. The first of --help, --version or
// an option that is neither ours nor the toolkit's decides.
CommandLine parseCommandLine(const QStringList& arguments);

// For standard output.
QString helpText();
QString versionText();

// The folder-list entry for a folder argument: made absolute against the
// working folder, "." and ".." and trailing separators taken out, then
// normalised as a picked folder is.
QString folderEntryFor(const QString& argument, const QString& workingFolder);

// The folder arguments sorted into folder-list entries and the paths that
// are not folders (missing, a file, or no answer within `patience`: a hung
// mount delays the start by that much and never holds the window).
struct StartFolders {
    QStringList entries;
    QStringList notFolders;
};
StartFolders sortStartFolders(const QStringList& folders, const QString& workingFolder,
                              std::chrono::milliseconds patience,
                              const std::function<bool(const QByteArray&)>& call = statFindsFolder);

// The text of the one box that names the paths passed over.
QString notFoldersMessage(const QStringList& paths);

#pragma once

#include "cli/ListRequest.h"
#include "folders/FolderArguments.h"
#include "io/Lookup.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>

class Desktop;

// What `scrivlist [FOLDER...]` asks for. Options count until "--"; after it
// every argument is a folder, so a folder named "-x" can still be given.
// Arguments are the bytes the program was given: a folder is a path of the
// file system, whatever its name's encoding. A first argument --list asks
// for the search's lines on standard output, without the window.
struct CommandLine {
    enum class Action { OpenWindow, List, ShowHelp, ShowVersion, Refuse };
    Action action = Action::OpenWindow;
    // List: what to search and how to print it.
    ListRequest list;
    // Refuse: the one line for standard error.
    QString refusal;
    // The folder arguments in their order, as given.
    QByteArrayList folders;
    // Positions, in the argument list, of the toolkit's own options and their
    // values (-platform offscreen): only these reach the toolkit.
    QList<int> toolkitArguments;
};

// The arguments after the program's name. The first of --help, --version or
// an option that is neither ours nor the toolkit's decides.
CommandLine parseCommandLine(const QByteArrayList& arguments);

// For standard output.
QString helpText();
QString versionText();

// The folder arguments sorted into folder-list entries and the paths that
// are not folders (missing, a file, empty, or no answer within `patience`: a
// hung mount delays the start by that much and never holds the window).
struct StartFolders {
    QByteArrayList entries;
    QByteArrayList notFolders;
};
StartFolders sortStartFolders(const QByteArrayList& folders, const QByteArray& workingFolder,
                              std::chrono::milliseconds patience,
                              const std::function<bool(const QByteArray&)>& call = statFindsFolder);

// The one box that names the paths passed over, as the folder list would show
// them: the first few in its text, and every one behind "Show Details..."
// when there are more, so that it fits on the screen however many there are.
void reportNotFolders(Desktop& desktop, const QByteArrayList& paths);

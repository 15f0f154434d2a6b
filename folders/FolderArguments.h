#pragma once

#include <QByteArray>

// Folders named on the command line, as the folder list holds them. An
// argument is the bytes the program was given, whatever their encoding.

// The folder-list entry for a folder argument: made absolute against the
// working folder, "." and ".." and trailing separators taken out, then
// normalised as a picked folder is. Empty for the empty argument, which
// names no folder.
QByteArray folderEntryFor(const QByteArray& argument, const QByteArray& workingFolder);

// The working folder as the file system's bytes; empty when it is gone.
QByteArray workingFolder();

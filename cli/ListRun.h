#pragma once

#include "cli/ListRequest.h"
#include "search/FolderReader.h"
#include "search/SkipRules.h"

#include <QByteArray>
#include <QByteArrayList>

#include <memory>

class LineWriter;

// Runs `scrivlist --list` in this process, which has no window and needs none:
// the matching lines on standard output, a line for each failure on standard
// error. Ends the process with its exit status: 0, or 1 after any failure. A
// reader that goes away ends it quietly.
[[noreturn]] void runList(const ListRequest& request);

// The walk of runList, writing to the given writers; folders and skipped
// paths are taken against workingFolder. Each folder is walked as a
// folder-list entry is: the same read-ahead, matching, forms and skipping.
int listMatches(const ListRequest& request, const QByteArray& workingFolder, LineWriter& out, LineWriter& errors,
                const std::shared_ptr<FolderReader>& reader);

// The --skip entries as rules: a folder's name skips every folder so named;
// anything else (a path, "." or "..") is a folder, taken against the working
// folder as a FOLDER is.
SkipRules skipRulesFor(const QByteArrayList& entries, const QByteArray& workingFolder);

#pragma once

#include "io/Lookup.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <memory>

class Desktop;
class QMimeData;
class ResultModel;
class StepTrap;

// Result lines handed to another program: their texts, one per line, for a
// text editor, and the file URLs of those that name existing items, for a
// file manager. The items are looked up on the I/O threads; whileWaiting runs
// meanwhile, and an item on a hung mount counts as missing.
class FileHandover {
public:
    explicit FileHandover(const QByteArrayList& lines, const std::function<void()>& whileWaiting = {},
                          const LookupOptions& lookup = itemLookup());

    qsizetype fileCount() const { return fileCount_; }
    // What a drag offers.
    std::unique_ptr<QMimeData> dragData() const;
    // What a paste into a file manager needs besides: the files are copied.
    std::unique_ptr<QMimeData> pasteData() const;

private:
    QStringList texts_;
    QByteArray uriList_;     // each URL followed by CR LF
    QByteArray copiedFiles_; // each URL preceded by LF
    qsizetype fileCount_ = 0;
};

// "Copy Ticked as Files": the ticked lines that name existing items go on the
// clipboard as files. The list is read once before any yield, so the lines
// handed over are those of that moment whatever is done to the list while
// the items are looked up; it is never changed. Reports its failures through
// the trap of the handler that calls it.
void copyTickedAsFiles(StepTrap& trap, Desktop& desktop, const ResultModel& list,
                       const LookupOptions& lookup = itemLookup());

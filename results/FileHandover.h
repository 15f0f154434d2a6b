#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <functional>

#include <memory>

class Desktop;
class QMimeData;
class ResultModel;
class StepTrap;

// True when a line is the absolute path of a file or folder that exists now;
// a link counts as itself. A hung mount makes it false after a moment, never
// a frozen window.
bool namesExistingItem(QByteArrayView line);

// Result lines handed to another program: their texts, one per line, for a
// text editor, and the file URLs of those that name existing items, for a
// file manager. The disk is looked at on a helper thread; whileWaiting runs
// meanwhile, and an item on a hung mount counts as missing.
class FileHandover {
public:
    explicit FileHandover(const QByteArrayList& lines, const std::function<void()>& whileWaiting = {});

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

// The selected line's file or folder, shown selected in the file manager;
// nothing for a line that names none.
void openContainingFolder(Desktop& desktop, QByteArrayView line);

// "Copy Ticked as Files": the ticked lines that name existing items go on the
// clipboard as files. The list is read once before any yield, so lines
// removed meanwhile do not matter; it is never changed. Reports its failures
// through the trap of the handler that calls it.
void copyTickedAsFiles(StepTrap& trap, Desktop& desktop, const ResultModel& list);

#pragma once

#include "ClipboardText.h"
#include "ListReading.h"

#include <cstdint>
#include <vector>

class Desktop;
class QMimeData;
class ResultModel;
class StepTrap;

// The result list as the copy reads it: one column, the line's text, and
// the lines and ticks as they were when it was made. A person may trim the
// list during the copy, which then fails rather than mix two lists.
class ResultListCopySource : public CopySource {
public:
    explicit ResultListCopySource(ResultModel& list);

    qsizetype rowCount() const override { return lines_.lineCount(); }
    int columnCount() const override { return 1; }
    QString cell(qsizetype row, int column) const override;
    bool isTicked(qsizetype row) const override { return ticks_[static_cast<size_t>(row)] != 0; }

private:
    ListReading lines_;
    std::vector<std::uint8_t> ticks_;
};

// Empty the clipboard, or place a text or data on it, trying up to 1000
// times. They never fail; the setters tell whether it was placed.
void ClearClipboard(Desktop& desktop);
bool SetClipboardText(Desktop& desktop, const QString& text);
bool SetClipboardData(Desktop& desktop, const QMimeData& data);

// Puts the ticked rows on the clipboard as a text table. An empty list leaves
// the clipboard untouched, and so does a failure, which is thrown.
void CopyListToClipboard(Desktop& desktop, const CopySource& list);

// The copy button: copies the ticked lines, then always says how to paste.
void copyResultsToClipboard(StepTrap& trap, Desktop& desktop, ResultModel& list);

#pragma once

#include "ClipboardText.h"

class Desktop;
class QMimeData;
class ResultModel;
class StepTrap;

// The result list as the copy reads it: one column, the line's text.
class ResultListCopySource : public CopySource {
public:
    explicit ResultListCopySource(const ResultModel& list) : list_(list) {}

    qsizetype rowCount() const override;
    int columnCount() const override { return 1; }
    QString cell(qsizetype row, int column) const override;
    bool isTicked(qsizetype row) const override;

private:
    const ResultModel& list_;
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
void copyResultsToClipboard(StepTrap& trap, Desktop& desktop, const ResultModel& list);

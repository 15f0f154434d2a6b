#pragma once

#include "results/CopySource.h"

class Desktop;
class QMimeData;
class ResultModel;
class StepTrap;

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

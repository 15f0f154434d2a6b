#pragma once

#include "results/CopySource.h"

#include <QString>

#include <functional>

// The clipboard text of the ticked rows, one per line ending in CR LF: every
// cell padded with spaces to the widest cell of its column over all rows,
// ticked or not, the cells joined by tabs, trailing spaces trimmed. yield()
// runs before each cell of the widths pass, before each row of the build pass
// and before each cell of a ticked row; counts are read afresh at the start of
// each pass and row. Throws Failure when a row has gone while it yielded.
QString buildClipboardText(const CopySource& source, const std::function<void()>& yield);

#pragma once

#include <QString>

#include <functional>

// A table of cells as the copy reads it: rows with a tick, columns of text.
class CopySource {
public:
    virtual ~CopySource() = default;
    virtual qsizetype rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString cell(qsizetype row, int column) const = 0;
    virtual bool isTicked(qsizetype row) const = 0;
};

// The clipboard text of the ticked rows, one per line ending in CR LF: every
// cell padded with spaces to the widest cell of its column over all rows,
// ticked or not, the cells joined by tabs, trailing spaces trimmed. yield()
// runs before each cell of the widths pass, before each row of the build pass
// and before each cell of a ticked row; counts are read afresh at the start of
// each pass and row. Throws Failure when a row has gone while it yielded.
QString buildClipboardText(const CopySource& source, const std::function<void()>& yield);

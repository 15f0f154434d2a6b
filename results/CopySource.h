#pragma once

#include <QString>

// A table of cells as the copy reads it: rows with a tick, columns of text.
class CopySource {
public:
    virtual ~CopySource() = default;
    virtual qsizetype rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString cell(qsizetype row, int column) const = 0;
    virtual bool isTicked(qsizetype row) const = 0;
};

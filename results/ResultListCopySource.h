#pragma once

#include "results/CopySource.h"
#include "results/ListReading.h"

#include <cstdint>
#include <vector>

class ResultModel;

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

#pragma once

#include <QByteArrayView>

#include <cstdint>

class ResultModel;

// How a save, an export or a copy reads the result list while it yields to
// the window: the lines as they were when it began, however long it takes.
// Lines appended since lie past those it reads and leave them in place; any
// other change (a trim, Undo, Redo) could move them, so reading a line after
// one fails with the line-gone failure, before a wrong line is handed on.
class ListReading {
public:
    // A reading that holds the list also keeps the window from undoing,
    // redoing or removing a line meanwhile; see ResultModel::hold().
    enum class Hold { No, Yes };

    ListReading(ResultModel& list, Hold hold);
    ~ListReading();
    ListReading(const ListReading&) = delete;
    ListReading& operator=(const ListReading&) = delete;

    qsizetype lineCount() const { return count_; }
    // Valid until the next yield.
    QByteArrayView lineBytes(qsizetype line) const;
    // Throws the line-gone failure once the lines read have moved.
    void requireUnmoved() const;

private:
    ResultModel& list_;
    Hold hold_;
    qsizetype count_;
    std::uint64_t revision_;
};

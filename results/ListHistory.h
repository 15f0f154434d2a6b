#pragma once

#include "results/SpareStores.h"

#include <QUndoStack>

#include <cstddef>
#include <memory>

class ListStep;

// How much the result list's history keeps.
struct HistoryBounds {
    int steps = 100;
    std::size_t bytes = std::size_t(256) << 20;
};

// The changes of the result list that Undo takes back and Redo makes again:
// a QUndoStack of ListSteps, most recent last, whose actions are the window's
// Undo and Redo. Steps beyond the bound go, oldest first, and so do older
// steps while all of them hold more than the bytes bound; the most recent one
// always stays, as it holds no more than the list held a moment ago. Blocks
// given up, by a step that goes or by the list, are kept as spares for the
// list to fill again, as a cleared list's own blocks were.
class ListHistory {
public:
    explicit ListHistory(HistoryBounds bounds);
    // The steps go first, giving their blocks to the spares.
    ~ListHistory();
    ListHistory(const ListHistory&) = delete;
    ListHistory& operator=(const ListHistory&) = delete;

    QUndoStack& stack() { return stack_; }
    const QUndoStack& stack() const { return stack_; }
    SpareStores& spares() { return spares_; }

    // Takes a step that is made already; Redo is forgotten.
    void push(std::unique_ptr<ListStep> step);
    // While the oldest steps are dropped the others are passed over, neither
    // taken back nor made again.
    bool passingOver() const { return passingOver_; }

private:
    void keepWithinBytes();

    SpareStores spares_;
    QUndoStack stack_;
    std::size_t maxBytes_;
    bool passingOver_ = false;
};

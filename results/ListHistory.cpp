#include "results/ListHistory.h"

#include "results/ListStep.h"

#include <QScopedValueRollback>

ListHistory::ListHistory(HistoryBounds bounds) : maxBytes_(bounds.bytes)
{
    // The stack drops the oldest beyond the count itself as a step is pushed; redone steps never add to it.
    stack_.setUndoLimit(bounds.steps);
    // Redo brings a step's lines back into the history, so the bytes are counted after every change.
    QObject::connect(&stack_, &QUndoStack::indexChanged, &stack_, [this] { keepWithinBytes(); });
}

ListHistory::~ListHistory()
{
    stack_.clear();
}

void ListHistory::push(std::unique_ptr<ListStep> step)
{
    stack_.push(step.release());
}

void ListHistory::keepWithinBytes()
{
    if (passingOver_)
        return;
    const auto stepAt = [this](int index) -> const ListStep& {
        return static_cast<const ListStep&>(*stack_.command(index));
    };
    std::size_t held = 0;
    for (int index = 0; index < stack_.count(); ++index)
        held += stepAt(index).heldBytes();
    int dropped = 0;
    for (; dropped < stack_.index() - 1 && held > maxBytes_; ++dropped) {
        held -= stepAt(dropped).heldBytes();
        // The command is ours, pushed as a ListStep; the stack only lends it out as const.
        const_cast<QUndoCommand*>(stack_.command(dropped))->setObsolete(true);
    }
    if (dropped == 0)
        return;
    // A QUndoStack forgets its oldest commands only by their count; obsolete ones it drops as setIndex() passes
    // them, so the history passes down to the first step and back over the rest without acting.
    const int index = stack_.index();
    const QScopedValueRollback<bool> passing(passingOver_, true);
    stack_.setIndex(0);
    stack_.setIndex(index - dropped);
}

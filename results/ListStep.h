#pragma once

#include "results/LineRuns.h"

#include <QUndoCommand>

#include <cstddef>
#include <exception>
#include <functional>

class ResultModel;
class SpareStores;

// A change of the result list as a command of its history (ListHistory):
// made once before it is pushed, then taken back by Undo and made again by
// Redo. A kind of change implements apply() and takeBack(), each of which
// changes the list whole or throws with nothing changed, and says what it
// holds. A failing Undo or Redo (for want of memory) gives the step up: the
// stack drops it, the list stays as it is, and the list says so.
class ListStep : public QUndoCommand {
public:
    // Makes the change the first time; throws what apply() throws.
    void make();
    void undo() final;
    void redo() final;

    // The bytes it holds, as the history's bound counts them.
    virtual std::size_t heldBytes() const = 0;

protected:
    explicit ListStep(ResultModel& list);

    virtual void apply() = 0;
    virtual void takeBack() = 0;

    // Runs a change of the list's storage and tells the views (ResultModel::changeLines).
    void changeLines(bool inserts, const std::function<void(LineStore& lines, const AboutToChange&)>& change);
    SpareStores& spares();

private:
    bool passedOver() const;
    void giveUp(bool undoing, std::exception_ptr failure);

    ResultModel& list_;
    bool done_ = false;
};

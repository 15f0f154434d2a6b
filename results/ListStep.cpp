#include "results/ListStep.h"

#include "results/ResultModel.h"

ListStep::ListStep(ResultModel& list) : list_(list) {}

void ListStep::make()
{
    apply();
    done_ = true;
}

void ListStep::undo()
{
    if (!done_ || passedOver())
        return;
    try {
        takeBack();
        done_ = false;
    } catch (...) {
        giveUp(true, std::current_exception());
    }
}

void ListStep::redo()
{
    if (done_ || passedOver())
        return;
    try {
        apply();
        done_ = true;
    } catch (...) {
        giveUp(false, std::current_exception());
    }
}

bool ListStep::passedOver() const
{
    return list_.history_.passingOver();
}

void ListStep::giveUp(bool undoing, std::exception_ptr failure)
{
    // The stack drops an obsolete command as it comes back from it.
    setObsolete(true);
    emit list_.stepFailed(undoing, std::move(failure));
}

void ListStep::changeLines(bool inserts, const std::function<void(LineStore& lines, const AboutToChange&)>& change)
{
    list_.changeLines(inserts, change);
}

SpareStores& ListStep::spares()
{
    return list_.history_.spares();
}

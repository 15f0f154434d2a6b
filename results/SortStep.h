#pragma once

#include "results/LineStore.h"
#include "results/ListStep.h"

#include <cstddef>
#include <vector>

// A new order of the list's first lines, as a sort makes it: the lines in the
// order shown and, set aside, the same lines in the other order. Undo and Redo
// swap the two, so either costs a pass over the ticks and a copy of the lines
// appended since, which stay after them. The ticks of now go with their lines.
class SortStep : public ListStep {
public:
    // order[i] is the line that goes to place i; sorted holds those lines in
    // that order already, their ticks to be taken as the step is made.
    SortStep(ResultModel& list, std::vector<std::size_t> order, LineStore sorted);
    ~SortStep() override;
    SortStep(const SortStep&) = delete;
    SortStep& operator=(const SortStep&) = delete;

    std::size_t heldBytes() const override;

protected:
    void apply() override { swapOrders(true); }
    void takeBack() override { swapOrders(false); }

private:
    void swapOrders(bool forward);

    std::vector<std::size_t> order_;
    LineStore aside_; // the first order_.size() lines, in the order not shown
};

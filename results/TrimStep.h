#pragma once

#include "results/LineRuns.h"
#include "results/ListStep.h"

#include <cstddef>

// A trim of the result list: the runs of lines it takes out, and those lines
// with their ticks while it is made. Undone, they come back at their places
// before any appended since; redone, only they go again.
class TrimStep : public ListStep {
public:
    TrimStep(ResultModel& list, LineRuns runs);
    ~TrimStep() override;
    TrimStep(const TrimStep&) = delete;
    TrimStep& operator=(const TrimStep&) = delete;

    std::size_t heldBytes() const override;

protected:
    void apply() override;
    void takeBack() override;

private:
    LineRuns runs_;
    TakenLines taken_; // empty while the step waits to be made again
};

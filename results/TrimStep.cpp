#include "results/TrimStep.h"

#include "results/SpareStores.h"

#include <utility>

TrimStep::TrimStep(ResultModel& list, LineRuns runs) : ListStep(list), runs_(std::move(runs)) {}

TrimStep::~TrimStep()
{
    spares().give(std::move(taken_.lines));
}

std::size_t TrimStep::heldBytes() const
{
    return taken_.lines.heldBytes() + runs_.size() * sizeof(LineRun);
}

void TrimStep::apply()
{
    changeLines(false, [this](LineStore& lines, const AboutToChange& aboutToChange) {
        taken_ = takeRuns(lines, runs_, aboutToChange, &spares());
    });
}

void TrimStep::takeBack()
{
    changeLines(true, [this](LineStore& lines, const AboutToChange& aboutToChange) {
        spares().give(putBackRuns(lines, std::move(taken_), runs_, aboutToChange));
    });
}

#include "results/ListTidying.h"

#include "common/Desktop.h"
#include "common/StepTrap.h"
#include "results/LineOrder.h"
#include "results/ListReading.h"
#include "results/ResultModel.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace {

void runBusy(StepTrap& trap, Desktop& desktop, const SetPointerState& setPointer,
             const std::function<void(const std::function<void()>& yield)>& work)
{
    trap.step(100, [&] { setPointer(PointerState::Busy); });
    trap.step(102, [&] { work([&desktop] { desktop.yieldToEventLoop(); }); });
    trap.step(104, [&] { setPointer(PointerState::Default); });
}

} // namespace

void SortLines(ResultModel& list, const QCollator& collator, const std::function<void()>& yield)
{
    const ListReading lines(list, ListReading::Hold::Yes);
    std::vector<std::size_t> order = sortedOrder(lines, collator, yield);
    // A permutation in rising order moves nothing.
    if (std::is_sorted(order.begin(), order.end()))
        return;
    LineStore sorted = linesInOrder(lines, order, list.history().spares().take(0), yield);
    lines.requireUnmoved();
    list.reorder(std::move(order), std::move(sorted));
}

void RemoveDuplicateLines(ResultModel& list, const std::function<void()>& yield)
{
    const ListReading lines(list, ListReading::Hold::Yes);
    LineRuns duplicates = duplicateRuns(lines, yield);
    lines.requireUnmoved();
    list.removeRuns(std::move(duplicates));
}

void sortResultLines(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer)
{
    runBusy(trap, desktop, setPointer, [&](const std::function<void()>& yield) {
        const QCollator collator = fileNameCollator();
        SortLines(list, collator, yield);
    });
}

void removeDuplicateResultLines(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer)
{
    runBusy(trap, desktop, setPointer, [&](const std::function<void()>& yield) { RemoveDuplicateLines(list, yield); });
}

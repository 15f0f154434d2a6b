#include "results/SortStep.h"

#include "results/SpareStores.h"

#include <stdexcept>
#include <utility>

SortStep::SortStep(ResultModel& list, std::vector<std::size_t> order, LineStore sorted)
    : ListStep(list), order_(std::move(order)), aside_(std::move(sorted))
{
}

SortStep::~SortStep()
{
    spares().give(std::move(aside_));
}

std::size_t SortStep::heldBytes() const
{
    return aside_.heldBytes() + order_.size() * sizeof(std::size_t);
}

void SortStep::swapOrders(bool forward)
{
    changeLines(false, [this, forward](LineStore& lines, const AboutToChange& aboutToChange) {
        const std::size_t sorted = order_.size();
        if (aside_.count() != sorted || lines.count() < sorted)
            throw std::out_of_range("no such result lines");
        // The same lines either way, so those appended since keep their offsets.
        const std::size_t firstAdded = lines.start(sorted);
        const std::size_t added = lines.count() - sorted;
        aside_.bytes.reserveMore(lines.bytes.size() - firstAdded);
        aside_.ends.reserveMore(added);
        aside_.checks.reserveMore(added);
        // More than one line, so the views are reset.
        aboutToChange({{0, lines.count()}});
        for (std::size_t place = 0; place < sorted; ++place) {
            if (forward)
                aside_.checks[place] = lines.checks[order_[place]];
            else
                aside_.checks[order_[place]] = lines.checks[place];
        }
        aside_.bytes.append(lines.bytes.data() + firstAdded, lines.bytes.size() - firstAdded);
        aside_.ends.append(lines.ends.data() + sorted, added);
        aside_.checks.append(lines.checks.data() + sorted, added);
        std::swap(lines, aside_);
        aside_.bytes.truncate(firstAdded);
        aside_.ends.truncate(sorted);
        aside_.checks.truncate(sorted);
    });
}

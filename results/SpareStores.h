#pragma once

#include "results/LineStore.h"

#include <cstddef>
#include <vector>

// Emptied stores whose large blocks stay mapped, for copies and refills to
// fill without fresh pages, which cost more than the copying: the few
// largest given up.
class SpareStores {
public:
    static constexpr std::size_t MaxStores = 3;

    // Room for one more than are kept, so giving one never fails.
    SpareStores() { stores_.reserve(MaxStores + 1); }

    // The smallest that holds this many bytes, else the largest; none asks for
    // the largest, for a list about to be filled again. Empty when none is kept.
    LineStore take(std::size_t bytes);
    void give(LineStore&& store);

private:
    std::vector<LineStore> stores_;
};

#pragma once

#include "results/LineStore.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Lines next to each other that a trim took out, by their place in the list
// as it was before the trim.
struct LineRun {
    std::size_t at;
    std::size_t count;
};
using LineRuns = std::vector<LineRun>; // in order, apart, none empty

// Called once all the memory a change needs is had, just before the list
// changes; nothing fails after it.
using AboutToChange = std::function<void(const LineRuns& runs)>;

// The lines a trim took: either those lines alone, in order, or, when the
// lines kept were fewer bytes, the whole list as it was, kept ones and all,
// so that only the kept ones were copied.
struct TakenLines {
    LineStore lines;
    bool whole = false;
};

class SpareStores;

// Takes the runs' lines out of the list with their check marks, copying into
// a spare store when given.
TakenLines takeRuns(LineStore& list, const LineRuns& runs, const AboutToChange& aboutToChange = {},
                    SpareStores* spares = nullptr);
// Puts lines taken by takeRuns back at their places, with the ticks they had
// then; the lines kept keep their ticks of now, and lines after the last
// kept one, added since, stay after them. Returns the blocks no longer
// needed.
LineStore putBackRuns(LineStore& list, TakenLines&& taken, const LineRuns& runs,
                      const AboutToChange& aboutToChange = {});

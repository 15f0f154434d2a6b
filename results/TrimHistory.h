#pragma once

#include "memory/GrowingArray.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// The result list's storage: every line's bytes one after the other, the
// end offset of each line and its check mark.
struct LineStore {
    GrowingArray<char> bytes;
    GrowingArray<std::uint64_t> ends;
    GrowingArray<std::uint8_t> checks;

    std::size_t count() const { return ends.size(); }
    std::size_t start(std::size_t line) const { return line == 0 ? 0 : static_cast<std::size_t>(ends[line - 1]); }
    // Bytes held, as the history counts them.
    std::size_t heldBytes() const { return bytes.size() + ends.size() * sizeof(std::uint64_t) + checks.size(); }
};

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

// Emptied stores whose large blocks stay mapped, for copies and refills to
// fill without fresh pages, which cost more than the copying: the few
// largest given up.
class SpareStores {
public:
    static constexpr std::size_t MaxStores = 3;

    // The smallest that holds this many bytes, else the largest; none asks for
    // the largest, for a list about to be filled again. Empty when none is kept.
    LineStore take(std::size_t bytes);
    void give(LineStore&& store);

private:
    std::vector<LineStore> stores_;
};

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

// The trims of the result list that can be undone and redone, most recent
// last. An undoable step holds the lines it took; a redoable one only where
// they were, as they are back in the list. Steps beyond maxSteps go, oldest
// first, and so do older steps while all of them hold more than maxBytes;
// the most recent one always stays, as it holds no more than the list held a
// moment ago. Blocks given up, by a step that goes or by the list, are kept
// as spares for the list to fill again, as a cleared list's own blocks were.
class TrimHistory {
public:
    static constexpr std::size_t DefaultMaxSteps = 100;
    static constexpr std::size_t DefaultMaxBytes = std::size_t(256) << 20;

    explicit TrimHistory(std::size_t maxSteps = DefaultMaxSteps, std::size_t maxBytes = DefaultMaxBytes);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoSteps() const { return undo_.size(); }

    // Takes the runs out of the list as a new step, unless there are none;
    // Redo is forgotten. Each change leaves everything as it was when it
    // throws std::bad_alloc.
    void trim(LineStore& list, LineRuns runs, const AboutToChange& aboutToChange = {});
    // False when there was nothing to undo or redo.
    bool undo(LineStore& list, const AboutToChange& aboutToChange = {});
    bool redo(LineStore& list, const AboutToChange& aboutToChange = {});

private:
    struct Step {
        LineRuns runs;
        TakenLines taken; // empty while the step waits to be redone
        std::size_t heldBytes() const { return taken.lines.heldBytes() + runs.size() * sizeof(LineRun); }
    };

    void dropOldSteps();

    std::size_t maxSteps_;
    std::size_t maxBytes_;
    std::deque<Step> undo_;
    std::deque<Step> redo_;
    SpareStores spares_;
};

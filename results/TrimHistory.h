#pragma once

#include "GrowingArray.h"

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

// Takes the runs' lines out of the list, in order, with their check marks,
// and returns them. A run that starts the list is taken without copying its
// lines, only those after it, into room when given: an empty store whose
// blocks stay mapped, so refilling them costs no fresh pages.
LineStore takeRuns(LineStore& list, const LineRuns& runs, const AboutToChange& aboutToChange = {},
                   LineStore* room = nullptr);
// Puts lines taken by takeRuns back at their places; lines after the last
// run's end in the list stay after them. The lines of a run that starts the
// list are kept as they are and the list's lines added to them.
void putBackRuns(LineStore& list, LineStore&& taken, const LineRuns& runs, const AboutToChange& aboutToChange = {});

// The trims of the result list that can be undone and redone, most recent
// last. An undoable step holds the lines it took; a redoable one only where
// they were, as they are back in the list. Steps beyond maxSteps go, oldest
// first, and so do older steps while all of them hold more than maxBytes;
// the most recent one always stays, as it holds no more than the list held a
// moment ago. The blocks of the last step to go are kept, emptied, for the
// list to fill after a Clear Results, as a cleared list's own blocks were.
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
        LineStore taken; // empty while the step waits to be redone
        std::size_t heldBytes() const { return taken.heldBytes() + runs.size() * sizeof(LineRun); }
    };

    void dropOldSteps();

    std::size_t maxSteps_;
    std::size_t maxBytes_;
    std::deque<Step> undo_;
    std::deque<Step> redo_;
    LineStore room_;
};

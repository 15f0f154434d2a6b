#pragma once

#include "common/PointerState.h"

#include <functional>

class Desktop;
class QCollator;
class ResultModel;
class StepTrap;

// Puts the lines in the order of their names (see fileNameCollator()), ticks
// going with them, as one step of the list's history; a sort that moves
// nothing is no step. yield() runs now and then; the list is held meanwhile,
// and a change that moves its lines fails the sort with the line-gone failure,
// before the list changes. Lines appended meanwhile stay after the others.
void SortLines(ResultModel& list, const QCollator& collator, const std::function<void()>& yield);
// Removes every line whose bytes equal an earlier line's, as one trim: the
// first keeps its place and its tick. Otherwise as SortLines().
void RemoveDuplicateLines(ResultModel& list, const std::function<void()>& yield);

// The result list's menu items: each runs under the busy pointer, yielding to
// the window, and leaves the usual pointer.
void sortResultLines(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer);
void removeDuplicateResultLines(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer);

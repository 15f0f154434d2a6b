#pragma once

#include "common/PointerState.h"

#include <QString>

class Desktop;
class ResultModel;
class StepTrap;

// Remove every line whose text contains, or does not contain, the phrase,
// ignoring case. Nothing in the phrase is special. The lines that stay keep
// their order and check marks; the list is compacted in one pass.
void RemoveResultsContaining(ResultModel& list, const QString& phrase);
void RemoveResultsNotContaining(ResultModel& list, const QString& phrase);

// One of the twin buttons that trim the list by a typed phrase.
struct PhraseFilter {
    const char* prompt;
    void (*worker)(ResultModel& list, const QString& phrase);
};

extern const PhraseFilter RemoveContainingFilter;
extern const PhraseFilter RemoveNotContainingFilter;

// Asks for the phrase and, unless the answer is empty, runs the filter under
// the busy pointer and leaves the arrow.
void runPhraseFilter(StepTrap& trap, Desktop& desktop, ResultModel& list, const PhraseFilter& filter,
                     const SetPointerState& setPointer);

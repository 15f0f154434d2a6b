#include "results/ResultFilters.h"

#include "common/Desktop.h"
#include "common/StepTrap.h"
#include "results/ResultModel.h"
#include "text/PhraseMatcher.h"

namespace {

void removeLines(ResultModel& list, const QString& phrase, bool removeMatches)
{
    const PhraseMatcher matcher(phrase);
    list.retainLines([&](QByteArrayView text) { return matcher.matches(text) != removeMatches; });
}

} // namespace

void RemoveResultsContaining(ResultModel& list, const QString& phrase)
{
    removeLines(list, phrase, true);
}

void RemoveResultsNotContaining(ResultModel& list, const QString& phrase)
{
    removeLines(list, phrase, false);
}

const PhraseFilter RemoveContainingFilter{
    "Remove entries containing: ",
    RemoveResultsContaining,
};
const PhraseFilter RemoveNotContainingFilter{
    "Remove entries not containing: ",
    RemoveResultsNotContaining,
};

void runPhraseFilter(StepTrap& trap, Desktop& desktop, ResultModel& list, const PhraseFilter& filter,
                     const SetPointerState& setPointer)
{
    QString phrase;
    trap.step(100, [&] { phrase = desktop.inputText(QString::fromLatin1(filter.prompt)); });
    if (phrase.isEmpty())
        return;
    trap.step(104, [&] { setPointer(PointerState::Busy); });
    trap.step(106, [&] { filter.worker(list, phrase); });
    trap.step(108, [&] { setPointer(PointerState::Arrow); });
}

#include "search/SearchRun.h"

#include "common/Desktop.h"
#include "common/Failure.h"
#include "common/StepTrap.h"
#include "folders/FolderListModel.h"
#include "folders/SkipEntries.h"
#include "results/ResultModel.h"
#include "search/FolderListSkips.h"
#include "search/SearchFolder.h"
#include "search/SearchPhrase.h"
#include "text/PhraseMatcher.h"

#include <optional>
#include <utility>

namespace {

const QString StopCaption = QStringLiteral("Stop");

} // namespace

SearchRun::SearchRun(Desktop& desktop, FolderListModel& folderList, ResultModel& results, SearchControls& controls,
                     std::shared_ptr<FolderReader> reader)
    : desktop_(desktop), folderList_(folderList), results_(results), controls_(controls), reader_(std::move(reader))
{
}

void SearchRun::click(StepTrap& trap)
{
    if (trap.test(102, [&] { return controls_.startCaption() == StopCaption; })) {
        trap.step(152, [&] { controls_.setStartCaption(SavedCaption); });
        trap.step(154, [&] { StopRequested = true; });
        return; // the interrupted run puts the pointer back
    }
    if (trap.test(104, [&] { return isBlankPhrase(controls_.phrase()); })) {
        trap.step(106, [&] { desktop_.message(QStringLiteral("Input search for what phrase")); });
        return;
    }
    trap.step(108, [&] { SavedCaption = controls_.startCaption(); });
    trap.step(110, [&] { controls_.setStartCaption(StopCaption); });
    trap.step(112, [&] { StopRequested = false; });
    trap.step(114, [&] { controls_.setPointer(PointerState::Busy); });
    int includeSubfolders = 0;
    trap.step(118, [&] { includeSubfolders = controls_.includeSubfolders(); });
    if (trap.test(120, [&] { return walkedEntryCount(folderList_) >= 1; })) {
        controls_.walkStarted();
        walkEntries(trap, includeSubfolders);
        trap.step(136, [&] {
            folderList_.setHeaderText(QStringLiteral("Folder(s)"));
            results_.showPendingLines();
        });
        controls_.walkEnded();
        trap.step(138, [&] { desktop_.message(QStringLiteral("Done.")); });
        trap.step(140, [&] { controls_.setStartCaption(SavedCaption); });
        trap.step(142, [&] { StopRequested = true; });
    } else {
        trap.step(144, [&] { desktop_.message(QStringLiteral("No folders added.")); });
        trap.step(146, [&] { controls_.setStartCaption(SavedCaption); });
        trap.step(148, [&] { StopRequested = true; });
    }
    trap.step(150, [&] { controls_.setPointer(PointerState::Default); });
}

void SearchRun::walkEntries(StepTrap& trap, int includeSubfolders)
{
    WalkContext context{desktop_, folderList_, results_, StopRequested, controls_, reader_, {}};
    qsizetype count = 0;
    trap.step(122, [&] {
        count = folderList_.entryCount();
        context.skip = skipRulesOf(folderList_);
    });
    // The phrase is read for every entry, and prepared again only when it was changed meanwhile.
    std::optional<PhraseMatcher> matcher;
    for (qsizetype position = 0; position < count; ++position) {
        trap.step(124, [&] { desktop_.yieldToEventLoop(); });
        if (trap.test(126, [&] { return StopRequested; }))
            break;
        QByteArray path;
        bool skip = false;
        // An entry removed during the run leaves its place beyond the end.
        const bool read = trap.step(128, [&] {
            if (position >= folderList_.entryCount())
                throw Failure(QStringLiteral("Index out of bounds"));
            path = folderList_.entryPath(position);
            skip = readSkipEntry(folderList_.entry(position)).has_value();
        });
        if (!read || skip)
            continue;
        std::optional<SearchFolder> walk;
        bool opened = false;
        if (!trap.step(130, [&] { opened = walk.emplace(context, path, includeSubfolders != 0).open(); }) || !opened)
            continue;
        trap.step(132, [&] {
            const QString phrase = searchedPhrase(controls_.phrase());
            if (!matcher || matcher->phrase() != phrase)
                matcher.emplace(phrase);
            walk->run(*matcher);
        });
    }
}

#include "search/SearchFolder.h"

#include "common/Desktop.h"
#include "common/Failure.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "search/MatchingLines.h"
#include "search/SearchControls.h"
#include "text/PhraseMatcher.h"

#include <QFile>

#include <chrono>

namespace {

// How long the walk waits for the next listing before it lets the window run.
constexpr std::chrono::milliseconds ListingWaitSlice{2};

} // namespace

SearchFolder::SearchFolder(const WalkContext& context, const QByteArray& folder, bool includeSubfolders)
    : context_(context), folder_(folder), feed_(context.reader, folder, includeSubfolders, context.skip)
{
}

bool SearchFolder::open()
{
    if (!awaitListing())
        return false;
    if (listing_.state == FolderListing::State::NotAFolder)
        throw Failure::fromErrno(listing_.error, QFile::decodeName(folder_));
    return true;
}

void SearchFolder::run(const PhraseMatcher& matcher)
{
    // Stop is honoured before each file and before each subfolder.
    while (searchListing(matcher) && !stopRequested() && awaitListing()) {
    }
    reportUnreadable();
}

bool SearchFolder::awaitListing()
{
    for (;;) {
        switch (feed_.next(listing_, ListingWaitSlice)) {
        case FolderFeed::Next::Ready:
            return true;
        case FolderFeed::Next::Finished:
            return false;
        case FolderFeed::Next::Pending:
            break;
        }
        context_.desktop.yieldToEventLoop();
        if (stopRequested())
            return false;
    }
}

bool SearchFolder::searchListing(const PhraseMatcher& matcher)
{
    context_.folderList.setHeaderText(QStringLiteral("Searching ") + QString::fromUtf8(listing_.path));
    if (listing_.state != FolderListing::State::Listed) {
        noteUnreadable();
        return true;
    }
    return forEachMatchingLine(
        listing_, matcher,
        [this] {
            context_.desktop.yieldToEventLoop();
            return !stopRequested();
        },
        [this] { return context_.controls.resultForm(); },
        [this](const FolderLines::Line& line) { context_.results.append(line.head, line.name); });
}

void SearchFolder::noteUnreadable()
{
    if (unreadableCount_++ == 0)
        firstUnreadable_ = std::move(listing_);
}

void SearchFolder::reportUnreadable() const
{
    if (unreadableCount_ == 0)
        return;
    QString description =
        Failure::fromErrno(firstUnreadable_.error, QString::fromUtf8(firstUnreadable_.path)).description();
    const int more = unreadableCount_ - 1;
    if (more == 1)
        description += QStringLiteral(" (and 1 more folder could not be read)");
    else if (more > 1)
        description += QStringLiteral(" (and %1 more folders could not be read)").arg(more);
    throw Failure(description);
}

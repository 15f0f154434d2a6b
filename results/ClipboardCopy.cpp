#include "results/ClipboardCopy.h"

#include "common/Desktop.h"
#include "common/StepTrap.h"
#include "results/ClipboardText.h"
#include "results/ResultListCopySource.h"

#include <exception>
#include <functional>

namespace {

// Another program may hold the clipboard for a moment.
constexpr int ClipboardAttempts = 1000;

bool tryRepeatedly(const std::function<bool()>& attempt)
{
    for (int tries = 0; tries < ClipboardAttempts; ++tries) {
        bool done = false;
        try {
            done = attempt();
        } catch (const std::exception&) {
            done = false; // a failed attempt like any other
        }
        if (done)
            return true;
    }
    return false;
}

} // namespace

void ClearClipboard(Desktop& desktop)
{
    tryRepeatedly([&] { return desktop.tryClearClipboard(); });
}

bool SetClipboardText(Desktop& desktop, const QString& text)
{
    return tryRepeatedly([&] { return desktop.trySetClipboardText(text); });
}

bool SetClipboardData(Desktop& desktop, const QMimeData& data)
{
    return tryRepeatedly([&] { return desktop.trySetClipboardData(data); });
}

void CopyListToClipboard(Desktop& desktop, const CopySource& list)
{
    if (list.rowCount() == 0)
        return;
    const QString text = buildClipboardText(list, [&] { desktop.yieldToEventLoop(); });
    ClearClipboard(desktop);
    SetClipboardText(desktop, text);
}

void copyResultsToClipboard(StepTrap& trap, Desktop& desktop, ResultModel& list)
{
    trap.step(106, [&] { CopyListToClipboard(desktop, ResultListCopySource(list)); });
    trap.step(108, [&] {
        desktop.message(QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you "
                                       "normally type and press Ctrl+V to paste the clipboard."));
    });
}

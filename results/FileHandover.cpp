#include "results/FileHandover.h"

#include "common/Desktop.h"
#include "common/Failure.h"
#include "common/StepTrap.h"
#include "results/ClipboardCopy.h"
#include "results/ResultModel.h"
#include "text/Paths.h"

#include <QMimeData>

#include <optional>

namespace {

const QString UriListFormat = QStringLiteral("text/uri-list");
// What GNOME-family file managers read for a paste: "copy" or "cut", then the URLs.
const QString CopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");

} // namespace

FileHandover::FileHandover(const QByteArrayList& lines, const std::function<void()>& whileWaiting,
                           const LookupOptions& lookup)
{
    std::vector<QByteArray> paths;
    for (const QByteArray& line : lines)
        if (isItemPath(line))
            paths.push_back(line);
    const std::vector<bool> exists = lookUp(paths, lookup, whileWaiting);
    std::size_t path = 0;
    for (const QByteArray& line : lines) {
        texts_ << QString::fromUtf8(line);
        if (!isItemPath(line) || !exists[path++])
            continue;
        const QByteArray url = localFileUrl(line);
        uriList_ += url + "\r\n";
        copiedFiles_ += '\n' + url;
        ++fileCount_;
    }
}

std::unique_ptr<QMimeData> FileHandover::dragData() const
{
    auto data = std::make_unique<QMimeData>();
    data->setText(texts_.join(QLatin1Char('\n')));
    if (fileCount_ > 0)
        data->setData(UriListFormat, uriList_);
    return data;
}

std::unique_ptr<QMimeData> FileHandover::pasteData() const
{
    std::unique_ptr<QMimeData> data = dragData();
    if (fileCount_ > 0)
        data->setData(CopiedFilesFormat, "copy" + copiedFiles_);
    return data;
}

void copyTickedAsFiles(StepTrap& trap, Desktop& desktop, const ResultModel& list, const LookupOptions& lookup)
{
    std::optional<FileHandover> handover;
    trap.step(100, [&] {
        QByteArrayList ticked;
        for (qsizetype line = 0; line < list.lineCount(); ++line)
            if (list.isChecked(line))
                ticked << list.lineBytes(line).toByteArray();
        // Each line costs a lookup on the disk; the window goes on meanwhile.
        const auto keepWindowLive = [&desktop] { desktop.yieldToEventLoop(); };
        handover.emplace(ticked, keepWindowLive, lookup);
    });
    if (trap.test(102, [&] { return !handover || handover->fileCount() == 0; })) {
        trap.step(104, [&] {
            desktop.message(QStringLiteral("None of the ticked lines is the full path of a file or folder that "
                                           "exists, so nothing was copied."));
        });
        return;
    }
    trap.step(106, [&] {
        if (!SetClipboardData(desktop, *handover->pasteData()))
            throw Failure(QStringLiteral("The clipboard is held by another program; nothing was copied"));
    });
}

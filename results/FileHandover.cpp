#include "FileHandover.h"

#include "ClipboardCopy.h"
#include "Desktop.h"
#include "Failure.h"
#include "Paths.h"
#include "ResultModel.h"
#include "StepTrap.h"

#include <QMetaObject>
#include <QMimeData>

#include <optional>

namespace {

const QString UriListFormat = QStringLiteral("text/uri-list");
// What GNOME-family file managers read for a paste: "copy" or "cut", then the URLs.
const QString CopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");

// A name never holds a NUL, so a line with one names nothing.
bool mayNameItem(QByteArrayView line)
{
    return line.startsWith(NativeSeparator) && !line.contains('\0');
}

} // namespace

FileHandover::FileHandover(const QByteArrayList& lines, const std::function<void()>& whileWaiting,
                           const LookupOptions& lookup)
{
    std::vector<QByteArray> paths;
    for (const QByteArray& line : lines)
        if (mayNameItem(line))
            paths.push_back(line);
    const std::vector<bool> exists = lookUp(paths, lookup, whileWaiting);
    std::size_t path = 0;
    for (const QByteArray& line : lines) {
        texts_ << QString::fromUtf8(line);
        if (!mayNameItem(line) || !exists[path++])
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

ContainingFolder::ContainingFolder(QByteArrayView line, const LookupOptions& lookup) : line_(line.toByteArray())
{
    if (mayNameItem(line_))
        lookup_ = std::make_unique<Lookup>(std::vector<QByteArray>{line_}, lookup);
}

void ContainingFolder::whenSettled(QObject* context, std::function<void()> then)
{
    if (lookup_)
        lookup_->whenSettled(context, std::move(then));
    else
        QMetaObject::invokeMethod(context, std::move(then), Qt::QueuedConnection);
}

bool ContainingFolder::offered()
{
    if (!lookup_)
        return false;
    const Lookup::Answer answer = lookup_->answer(0);
    return answer == Lookup::Answer::Pending || answer == Lookup::Answer::Found;
}

void ContainingFolder::open(Desktop& desktop)
{
    if (!lookup_)
        return;
    lookup_->await([&desktop] { desktop.yieldToEventLoop(); });
    if (lookup_->answer(0) == Lookup::Answer::Found)
        desktop.showInFileManager(line_);
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

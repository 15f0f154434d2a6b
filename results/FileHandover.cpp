#include "FileHandover.h"

#include "ClipboardCopy.h"
#include "Desktop.h"
#include "Failure.h"
#include "Paths.h"
#include "ResultModel.h"
#include "StepTrap.h"

#include <QMimeData>

#include <sys/stat.h>

namespace {

const QString UriListFormat = QStringLiteral("text/uri-list");
// What GNOME-family file managers read for a paste: "copy" or "cut", then the URLs.
const QString CopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");

} // namespace

bool namesExistingItem(QByteArrayView line)
{
    // A name never holds a NUL, so a line with one names nothing.
    if (!line.startsWith(NativeSeparator) || line.contains('\0'))
        return false;
    struct stat status {};
    return ::lstat(line.toByteArray().constData(), &status) == 0;
}

void FileHandover::add(QByteArrayView line)
{
    texts_ << QString::fromUtf8(line);
    if (!namesExistingItem(line))
        return;
    const QByteArray url = localFileUrl(line);
    uriList_ += url + "\r\n";
    copiedFiles_ += '\n' + url;
    ++fileCount_;
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

void openContainingFolder(Desktop& desktop, QByteArrayView line)
{
    if (namesExistingItem(line))
        desktop.showInFileManager(line.toByteArray());
}

void copyTickedAsFiles(StepTrap& trap, Desktop& desktop, const ResultModel& list)
{
    FileHandover handover;
    trap.step(100, [&] {
        QByteArrayList ticked;
        for (qsizetype line = 0; line < list.lineCount(); ++line)
            if (list.isChecked(line))
                ticked << list.lineBytes(line).toByteArray();
        // Each line costs a look at the disk; the window goes on meanwhile.
        for (const QByteArray& line : ticked) {
            desktop.yieldToEventLoop();
            handover.add(line);
        }
    });
    if (trap.test(102, [&] { return handover.fileCount() == 0; })) {
        trap.step(104, [&] {
            desktop.message(QStringLiteral("None of the ticked lines is the full path of a file or folder that "
                                           "exists, so nothing was copied."));
        });
        return;
    }
    trap.step(106, [&] {
        if (!SetClipboardData(desktop, *handover.pasteData()))
            throw Failure(QStringLiteral("The clipboard is held by another program; nothing was copied"));
    });
}

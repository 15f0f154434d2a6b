#include "ResultExport.h"

#include "BackgroundWriter.h"
#include "Desktop.h"
#include "Failure.h"
#include "LineGone.h"
#include "ResultModel.h"
#include "StepTrap.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <optional>
#include <utility>

namespace {

// Lines are gathered and handed to the file in pieces of about this size.
constexpr qsizetype WriteChunkBytes = qsizetype(1) << 20;

const SaveDialogSettings SaveDialog{
    QStringLiteral("Save"), {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}, QString()};

void writeLines(Desktop& desktop, const ResultModel& list, BackgroundWriter& file)
{
    QByteArray chunk;
    const qsizetype count = list.lineCount();
    for (qsizetype line = 0; line < count; ++line) {
        desktop.yieldToEventLoop();
        if (line >= list.lineCount())
            throw lineGoneFailure();
        if (chunk.isEmpty())
            chunk.reserve(WriteChunkBytes);
        chunk.append(list.lineBytes(line));
        chunk.append("\r\n", 2);
        if (chunk.size() >= WriteChunkBytes)
            file.write(std::exchange(chunk, QByteArray()));
    }
    file.write(chunk);
}

// Whether the target exists, looked at on a helper while the window yields.
// A look that does not answer is never taken for "absent": the question
// would be skipped.
bool targetFound(Desktop& desktop, const QString& path, const ItemLooks& lookAtTarget)
{
    ItemLookup lookup({QFile::encodeName(path)}, lookAtTarget);
    lookup.await([&desktop] { desktop.yieldToEventLoop(); });
    switch (lookup.answer(0)) {
    case ItemLookup::Answer::Exists:
        return true;
    case ItemLookup::Answer::Missing:
        return false;
    default:
        throw Failure::fromErrno(ETIMEDOUT, path);
    }
}

} // namespace

void saveResultsAsTextFile(StepTrap& trap, Desktop& desktop, const ResultModel& list, const SetPointerState& setPointer,
                           const ReplacingFileOpener& open, const ItemLooks& lookAtTarget)
{
    QString path;
    trap.step(114, [&] { path = desktop.pickSaveFile(SaveDialog); });
    if (path.isEmpty())
        return;
    // Reported like a failed open, and nothing is written.
    bool exists = false;
    if (!trap.step(120, [&] { exists = targetFound(desktop, path, lookAtTarget); }))
        return;
    bool replace = true;
    if (exists)
        trap.step(122, [&] {
            replace =
                desktop.askYesNo(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
        });
    if (!replace)
        return;
    trap.step(128, [&] { setPointer(PointerState::Busy); });
    // Opening may wait for the disk as long as writing may, so the helper does both.
    std::optional<BackgroundWriter> writer;
    if (trap.step(130, [&] {
            writer.emplace(open, path, desktop);
            writer->awaitOpen();
        })) {
        trap.step(136, [&] {
            try {
                writeLines(desktop, list, *writer);
            } catch (...) {
                writer->abandon();
                throw;
            }
            writer->commit();
        });
    }
    trap.step(142, [&] { setPointer(PointerState::Default); });
}

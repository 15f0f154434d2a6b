#include "ResultExport.h"

#include "BackgroundWriter.h"
#include "Desktop.h"
#include "FileExists.h"
#include "LineGone.h"
#include "ResultModel.h"
#include "StepTrap.h"

#include <QByteArray>

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

} // namespace

void saveResultsAsTextFile(StepTrap& trap, Desktop& desktop, const ResultModel& list, const SetPointerState& setPointer,
                           const ReplacingFileOpener& open)
{
    QString path;
    trap.step(114, [&] { path = desktop.pickSaveFile(SaveDialog); });
    if (path.isEmpty())
        return;
    bool replace = true;
    if (trap.test(120, [&] { return FileExists(path); }))
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

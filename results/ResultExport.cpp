#include "results/ResultExport.h"

#include "common/Desktop.h"
#include "common/Failure.h"
#include "common/StepTrap.h"
#include "results/BackgroundWriter.h"
#include "results/ListReading.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Lines are gathered and handed to the file in pieces of about this size.
constexpr qsizetype WriteChunkBytes = qsizetype(1) << 20;

// How a file of lines is laid out.
struct LineForm {
    QByteArrayView first;  // the file starts with it
    QByteArrayView ending; // after each line
};

// A save dialog and the form of each of its name filters, in their order;
// a filter without a form of its own takes the first.
struct ListFileKind {
    SaveDialogSettings dialog;
    std::vector<LineForm> forms;
};

const ListFileKind SavedText{
    {QStringLiteral("Save"), {QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}, QString()},
    {{{}, "\r\n"}}};

const ListFileKind ExportedList{
    {QStringLiteral("Export"),
     {QStringLiteral("Lines ending in LF (*.txt)"), QStringLiteral("Lines ending in NUL, for xargs -0 (*)"),
      QStringLiteral("M3U playlist (*.m3u8)")},
     QString()},
    {{{}, "\n"}, {{}, QByteArrayView("\0", 1)}, {"#EXTM3U\n", "\n"}}};

void writeLines(Desktop& desktop, const ListReading& list, BackgroundWriter& file, const LineForm& form)
{
    QByteArray chunk(form.first.toByteArray());
    for (qsizetype line = 0; line < list.lineCount(); ++line) {
        desktop.yieldToEventLoop();
        if (chunk.capacity() < WriteChunkBytes)
            chunk.reserve(WriteChunkBytes);
        chunk.append(list.lineBytes(line));
        chunk.append(form.ending);
        if (chunk.size() >= WriteChunkBytes)
            file.write(std::exchange(chunk, QByteArray()));
    }
    file.write(chunk);
}

// Whether the target exists, looked up on the I/O threads while the window
// yields. A lookup that does not answer is never taken for "absent": the
// question would be skipped.
bool targetFound(Desktop& desktop, const QString& path, const LookupOptions& lookupTarget)
{
    Lookup lookup({QFile::encodeName(path)}, lookupTarget);
    lookup.await([&desktop] { desktop.yieldToEventLoop(); });
    switch (lookup.answer(0)) {
    case Lookup::Answer::Found:
        return true;
    case Lookup::Answer::Missing:
        return false;
    default:
        throw Failure::fromErrno(ETIMEDOUT, path);
    }
}

// Asks for the file and its form, then writes the list as the save button does.
void saveList(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer,
              const ReplacingFileOpener& open, const LookupOptions& lookupTarget, const ListFileKind& kind)
{
    QString path;
    LineForm form = kind.forms.front();
    trap.step(114, [&] {
        const SaveDialogChoice choice = desktop.pickSaveFile(kind.dialog);
        path = choice.path;
        if (choice.nameFilter > 0 && static_cast<size_t>(choice.nameFilter) < kind.forms.size())
            form = kind.forms[static_cast<size_t>(choice.nameFilter)];
    });
    if (path.isEmpty())
        return;
    // Reported like a failed open, and nothing is written.
    bool exists = false;
    if (!trap.step(120, [&] { exists = targetFound(desktop, path, lookupTarget); }))
        return;
    bool replace = true;
    if (exists)
        trap.step(122, [&] {
            replace =
                desktop.askYesNo(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
        });
    if (!replace)
        return;
    // The lines as they are now are written, whatever happens while the window yields.
    const ListReading lines(list, ListReading::Hold::Yes);
    trap.step(128, [&] { setPointer(PointerState::Busy); });
    // Opening may wait for the disk as long as writing may, so the I/O queue does both.
    std::optional<BackgroundWriter> writer;
    if (trap.step(130, [&] {
            writer.emplace(open, path, desktop);
            writer->awaitOpen();
        })) {
        trap.step(136, [&] {
            try {
                writeLines(desktop, lines, *writer, form);
            } catch (...) {
                writer->abandon();
                throw;
            }
            writer->commit();
        });
    }
    trap.step(142, [&] { setPointer(PointerState::Default); });
}

} // namespace

void saveResultsAsTextFile(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer,
                           const ReplacingFileOpener& open, const LookupOptions& lookupTarget)
{
    saveList(trap, desktop, list, setPointer, open, lookupTarget, SavedText);
}

void exportList(StepTrap& trap, Desktop& desktop, ResultModel& list, const SetPointerState& setPointer,
                const ReplacingFileOpener& open, const LookupOptions& lookupTarget)
{
    saveList(trap, desktop, list, setPointer, open, lookupTarget, ExportedList);
}

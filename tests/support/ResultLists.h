#pragma once

#include "results/ReplacingFile.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"
#include "tests/support/FakeDesktop.h"

#include <QByteArrayList>
#include <QList>
#include <QStringList>

#include <atomic>
#include <memory>

// Appends the lines to the list, ticked as told (unticked past the ticks given).
inline void appendLines(ResultModel& list, const QByteArrayList& lines, const QList<bool>& ticks = {})
{
    for (qsizetype line = 0; line < lines.size(); ++line) {
        list.append(lines.at(line));
        list.setChecked(list.lineCount() - 1, ticks.value(line));
    }
}

inline void appendLines(ResultModel& list, const QStringList& lines, const QList<bool>& ticks = {})
{
    QByteArrayList bytes;
    for (const QString& line : lines)
        bytes << line.toUtf8();
    appendLines(list, bytes, ticks);
}

// Every line of the list as the view shows it.
inline QStringList lineTexts(const ResultModel& list)
{
    QStringList texts;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        texts << list.lineText(line);
    return texts;
}

// What a person may do to the list while a save, an export or a copy yields.
enum class ListEdit { Append, Tick, TrimNothing, Delete, Undo, Redo, Filter, Clear };

// Gives the list a trim to undo and one to redo, and ends it with the line
// "redo takes me": an Undo brings "undo brings me" back before it, a Redo
// takes it out.
inline void giveHistory(ResultModel& list)
{
    appendLines(list, QByteArrayList{"undo brings me", "redo takes me"});
    list.removeLine(list.lineCount() - 2);
    list.removeLine(list.lineCount() - 1);
    list.undo();
}

inline void editList(ResultModel& list, ListEdit edit)
{
    switch (edit) {
    case ListEdit::Append:
        list.append("appended meanwhile");
        break;
    case ListEdit::Tick:
        list.changeAllTicks(TickChange::InvertTicks);
        break;
    case ListEdit::TrimNothing:
        RemoveResultsContaining(list, QStringLiteral("no line holds this"));
        break;
    case ListEdit::Delete:
        list.removeLine(0);
        break;
    case ListEdit::Undo:
        list.undo();
        break;
    case ListEdit::Redo:
        list.redo();
        break;
    case ListEdit::Filter:
        RemoveResultsNotContaining(list, list.lineText(0));
        break;
    case ListEdit::Clear:
        list.clear();
        break;
    }
}

// An edit made while a save writes: at the second yield once the file is
// open, as the existence check and the wait for the opening yield too, as
// often as the helper takes.
struct EditWhileWriting {
    // The opener to save with, in place of open.
    ReplacingFileOpener arm(FakeDesktop& desktop, ResultModel& list, ListEdit edit, ReplacingFileOpener open)
    {
        auto opened = std::make_shared<std::atomic<bool>>(false);
        desktop.onYield = [this, &list, edit, opened, writing = 0](long long) mutable {
            if (*opened && ++writing == 2) {
                editList(list, edit);
                edited = true;
            }
        };
        return [open = std::move(open), opened](const QString& path) {
            auto file = open(path);
            *opened = true;
            return file;
        };
    }

    bool edited = false;
};

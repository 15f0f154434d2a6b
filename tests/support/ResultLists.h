#pragma once

#include "results/ResultModel.h"

#include <QByteArrayList>
#include <QList>
#include <QStringList>

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

#include "ResultLists.h"

#include "results/ResultModel.h"

void appendLines(ResultModel& list, const QByteArrayList& lines, const QList<bool>& ticks)
{
    for (qsizetype line = 0; line < lines.size(); ++line) {
        list.append(lines.at(line));
        list.setChecked(list.lineCount() - 1, ticks.value(line));
    }
}

void appendLines(ResultModel& list, const QStringList& lines, const QList<bool>& ticks)
{
    QByteArrayList bytes;
    for (const QString& line : lines)
        bytes << line.toUtf8();
    appendLines(list, bytes, ticks);
}

QStringList lineTexts(const ResultModel& list)
{
    QStringList texts;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        texts << list.lineText(line);
    return texts;
}

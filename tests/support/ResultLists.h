#pragma once

#include <QByteArrayList>
#include <QList>
#include <QStringList>

class ResultModel;

// Appends the lines to the list, ticked as told (unticked past the ticks given).
void appendLines(ResultModel& list, const QByteArrayList& lines, const QList<bool>& ticks = {});
void appendLines(ResultModel& list, const QStringList& lines, const QList<bool>& ticks = {});

// Every line of the list as the view shows it.
QStringList lineTexts(const ResultModel& list);

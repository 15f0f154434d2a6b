#include "results/ResultListCopySource.h"

#include "results/ResultModel.h"

ResultListCopySource::ResultListCopySource(ResultModel& list)
    : lines_(list, ListReading::Hold::No), ticks_(list.ticks())
{
}

QString ResultListCopySource::cell(qsizetype row, int) const
{
    return QString::fromUtf8(lines_.lineBytes(row));
}

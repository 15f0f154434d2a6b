#include "results/ListReading.h"

#include "results/LineGone.h"
#include "results/ResultModel.h"

ListReading::ListReading(ResultModel& list, Hold hold)
    : list_(list), hold_(hold), count_(list.lineCount()), revision_(list.revision())
{
    if (hold_ == Hold::Yes)
        list_.hold();
}

ListReading::~ListReading()
{
    if (hold_ == Hold::Yes)
        list_.release();
}

QByteArrayView ListReading::lineBytes(qsizetype line) const
{
    if (line >= count_)
        throw lineGoneFailure();
    requireUnmoved();
    return list_.lineBytes(line);
}

void ListReading::requireUnmoved() const
{
    if (list_.revision() != revision_)
        throw lineGoneFailure();
}

#include "results/ContainingFolder.h"

#include "common/Desktop.h"
#include "text/Paths.h"

#include <QMetaObject>
#include <QMetaType> // invokeMethod with a functor needs the meta-type definitions, not only their declarations

ContainingFolder::ContainingFolder(QByteArrayView line, const LookupOptions& lookup) : line_(line.toByteArray())
{
    if (isItemPath(line_))
        lookup_ = std::make_unique<Lookup>(std::vector<QByteArray>{line_}, lookup);
}

void ContainingFolder::whenSettled(QObject* context, std::function<void()> then)
{
    if (lookup_)
        lookup_->whenSettled(context, std::move(then));
    else
        QMetaObject::invokeMethod(context, std::move(then), Qt::QueuedConnection);
}

bool ContainingFolder::offered()
{
    if (!lookup_)
        return false;
    const Lookup::Answer answer = lookup_->answer(0);
    return answer == Lookup::Answer::Pending || answer == Lookup::Answer::Found;
}

void ContainingFolder::open(Desktop& desktop)
{
    if (!lookup_)
        return;
    lookup_->await([&desktop] { desktop.yieldToEventLoop(); });
    if (lookup_->answer(0) == Lookup::Answer::Found)
        desktop.showInFileManager(line_);
}

#include "app/FolderListView.h"

#include "folders/FolderListActions.h"

#include <QDropEvent>
#include <QMimeData>

namespace {

// Accepts the drag as a copy or a link, or refuses it; true when accepted.
bool acceptAsCopy(QDropEvent& event)
{
    const Qt::DropActions offered = event.possibleActions();
    const Qt::DropAction action = offered.testFlag(Qt::CopyAction)   ? Qt::CopyAction
                                  : offered.testFlag(Qt::LinkAction) ? Qt::LinkAction
                                                                     : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || event.mimeData() == nullptr || !holdsLocalItem(event.mimeData()->urls())) {
        event.ignore();
        return false;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

} // namespace

FolderListView::FolderListView(QWidget* parent) : ReportView(parent) {}

// A drag over the header reaches the list itself, which a scroll area would pass on to nobody.
bool FolderListView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        acceptAsCopy(*static_cast<QDropEvent*>(event));
        return true;
    case QEvent::Drop:
        dropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        return ReportView::event(event);
    }
}

void FolderListView::dragEnterEvent(QDragEnterEvent* event)
{
    acceptAsCopy(*event);
}

void FolderListView::dragMoveEvent(QDragMoveEvent* event)
{
    acceptAsCopy(*event);
}

void FolderListView::dropEvent(QDropEvent* event)
{
    if (acceptAsCopy(*event))
        emit foldersDropped(event->mimeData()->urls());
}

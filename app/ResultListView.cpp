#include "app/ResultListView.h"

#include <QMouseEvent>

ResultListView::ResultListView(QWidget* parent) : ReportView(parent)
{
    viewport()->setMouseTracking(true);
}

void ResultListView::mouseMoveEvent(QMouseEvent* event)
{
    // While a button is held the line under the pointer may be on its way out as a drag.
    const QModelIndex line = indexAt(event->position().toPoint());
    if (event->buttons() == Qt::NoButton && line.isValid() && line != currentIndex())
        selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ReportView::mouseMoveEvent(event);
}

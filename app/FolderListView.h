#pragma once

#include "app/ReportView.h"

#include <QList>
#include <QUrl>

// The folder list's view. It takes a drag that brings files or folders of
// this machine as a copy or a link, never as a move, which would let the file
// manager delete what was dragged; which of them are folders is settled once
// they are dropped, off the window's thread.
class FolderListView : public ReportView {
    Q_OBJECT
public:
    explicit FolderListView(QWidget* parent = nullptr);

signals:
    void foldersDropped(const QList<QUrl>& urls);

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

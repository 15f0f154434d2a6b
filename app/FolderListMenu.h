#pragma once

#include <QMenu>

// The folder list's menu: "Skip a Folder..." and "Skip Folders Named...".
class FolderListMenu : public QMenu {
    Q_OBJECT
public:
    explicit FolderListMenu(QWidget* list);

signals:
    void skipFolderChosen();
    void skipNamedChosen();
};

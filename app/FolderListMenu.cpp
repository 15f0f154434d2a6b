#include "app/FolderListMenu.h"

FolderListMenu::FolderListMenu(QWidget* list) : QMenu(list)
{
    setObjectName(QStringLiteral("ListView1Menu"));
    QAction* skipFolder = addAction(QStringLiteral("Skip a Folder..."));
    skipFolder->setObjectName(QStringLiteral("mnuSkipFolder"));
    connect(skipFolder, &QAction::triggered, this, &FolderListMenu::skipFolderChosen);
    QAction* skipNamed = addAction(QStringLiteral("Skip Folders Named..."));
    skipNamed->setObjectName(QStringLiteral("mnuSkipNamed"));
    connect(skipNamed, &QAction::triggered, this, &FolderListMenu::skipNamedChosen);
}

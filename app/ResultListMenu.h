#pragma once

#include <QByteArrayView>
#include <QMenu>

#include <memory>

class ContainingFolder;
class QActionGroup;
class QUndoStack;
enum class TickChange;

// The result list's menu: the tick commands, the sort and the removal of
// duplicates, Open Containing Folder and Copy Ticked as Files, Undo and Redo,
// and Export List.... Open Containing Folder is offered for the line the menu
// opens for until that line is known to name nothing. Undo and Redo are the
// list history's own actions, with their keys over the list as well as in the
// menu; while the window refuses trims they, the sort and the removal of
// duplicates are greyed and deaf to those keys.
class ResultListMenu : public QMenu {
    Q_OBJECT
public:
    ResultListMenu(QUndoStack& history, QWidget* list);
    ~ResultListMenu() override;

    // Opens at a point on the screen, for the selected line's bytes (empty when none is).
    void openFor(QByteArrayView line, const QPoint& at);
    // What Open Containing Folder acts on: the line the menu last opened for,
    // looked up meanwhile; none once taken.
    std::unique_ptr<ContainingFolder> takeContainingFolder();
    void refuseTrims(bool refused);

signals:
    void ticksChosen(TickChange change);
    void sortChosen();
    void removeDuplicatesChosen();
    void openFolderChosen();
    void copyFilesChosen();
    void exportChosen();

private:
    QAction* openFolder_ = nullptr;
    QActionGroup* trims_ = nullptr;
    std::unique_ptr<ContainingFolder> containingFolder_;
};

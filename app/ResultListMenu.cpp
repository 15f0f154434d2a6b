#include "app/ResultListMenu.h"

#include "results/ContainingFolder.h"
#include "results/ResultModel.h"

#include <QActionGroup>
#include <QUndoStack>

namespace {

// Whatever the desktop's usual keys for them.
constexpr QKeyCombination UndoKey(Qt::ControlModifier, Qt::Key_Z);
const QList<QKeySequence> RedoKeys{QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z),
                                   QKeyCombination(Qt::ControlModifier, Qt::Key_Y)};

} // namespace

ResultListMenu::ResultListMenu(QUndoStack& history, QWidget* list) : QMenu(list)
{
    setObjectName(QStringLiteral("ListView2Menu"));
    const auto item = [this](const char* caption, const char* name, auto chosen) {
        QAction* action = addAction(QString::fromLatin1(caption));
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, chosen);
        return action;
    };
    item("Tick All", "mnuTickAll", [this] { emit ticksChosen(TickChange::TickAll); });
    item("Untick All", "mnuUntickAll", [this] { emit ticksChosen(TickChange::UntickAll); });
    item("Invert Ticks", "mnuInvertTicks", [this] { emit ticksChosen(TickChange::InvertTicks); });
    addSeparator();
    QAction* sort = item("Sort Lines A to Z", "mnuSortLines", [this] { emit sortChosen(); });
    QAction* removeDuplicates =
        item("Remove Duplicate Lines", "mnuRemoveDuplicates", [this] { emit removeDuplicatesChosen(); });
    addSeparator();
    openFolder_ = item("Open Containing Folder", "mnuOpenFolder", [this] { emit openFolderChosen(); });
    item("Copy Ticked as Files", "mnuCopyFiles", [this] { emit copyFilesChosen(); });
    addSeparator();

    QAction* undo = history.createUndoAction(this);
    undo->setObjectName(QStringLiteral("mnuUndo"));
    undo->setShortcut(UndoKey);
    QAction* redo = history.createRedoAction(this);
    redo->setObjectName(QStringLiteral("mnuRedo"));
    redo->setShortcuts(RedoKeys);
    trims_ = new QActionGroup(this);
    trims_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    // Both are steps of the history, so the window lets them when it lets Undo.
    trims_->addAction(sort);
    trims_->addAction(removeDuplicates);
    for (QAction* action : {undo, redo}) {
        // The stack says when each can act, the group when the window lets them.
        trims_->addAction(action);
        action->setShortcutContext(Qt::WidgetShortcut);
        addAction(action);
        list->addAction(action);
    }
    addSeparator();
    item("Export List...", "mnuExport", [this] { emit exportChosen(); });
}

ResultListMenu::~ResultListMenu() = default;

void ResultListMenu::openFor(QByteArrayView line, const QPoint& at)
{
    containingFolder_ = std::make_unique<ContainingFolder>(line);
    openFolder_->setEnabled(containingFolder_->offered());
    // The lookup's answer comes to this thread; a lookup replaced meanwhile never answers.
    containingFolder_->whenSettled(this, [this] {
        if (containingFolder_)
            openFolder_->setEnabled(containingFolder_->offered());
    });
    popup(at);
}

std::unique_ptr<ContainingFolder> ResultListMenu::takeContainingFolder()
{
    return std::move(containingFolder_);
}

void ResultListMenu::refuseTrims(bool refused)
{
    trims_->setEnabled(!refused);
}

#include "app/ReportView.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeySequence>
#include <QList>

namespace {

// The key under every modifier, as each counts the same.
QList<QKeySequence> withAnyModifier(Qt::Key key)
{
    const Qt::KeyboardModifier modifiers[] = {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier,
                                              Qt::MetaModifier};
    QList<QKeySequence> keys;
    for (unsigned combination = 0; combination < 16; ++combination) {
        Qt::KeyboardModifiers held;
        for (unsigned bit = 0; bit < 4; ++bit)
            if ((combination & (1U << bit)) != 0)
                held |= modifiers[bit];
        keys << QKeySequence(QKeyCombination(held, key));
    }
    return keys;
}

// A key of this list alone, taken while it has the focus.
QAction* listKey(QWidget* list, const QList<QKeySequence>& keys)
{
    auto* action = new QAction(list);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(action);
    return action;
}

} // namespace

ReportView::ReportView(QWidget* parent) : QTableView(parent)
{
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // While a menu is open the keys are its own, though the list keeps the focus beneath it; the platform may
    // have opened the menu for the Menu key already.
    const auto unlessMenuOpen = [](auto act) {
        return [act] {
            if (QApplication::activePopupWidget() == nullptr)
                act();
        };
    };
    connect(listKey(this, withAnyModifier(Qt::Key_Delete)), &QAction::triggered, this,
            unlessMenuOpen([this] { emit removeRequested(); }));
    connect(listKey(this, withAnyModifier(Qt::Key_Menu) << QKeySequence(Qt::SHIFT | Qt::Key_F10)), &QAction::triggered,
            this, unlessMenuOpen([this] { emit menuRequested(keyboardMenuPoint()); }));
}

bool ReportView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        break;
    case QEvent::ToolTipChange:
        viewport()->setToolTip(toolTip());
        break;
    // One from the keyboard, or one the header passed on, which a scroll area would swallow.
    case QEvent::ContextMenu:
        contextMenuEvent(static_cast<QContextMenuEvent*>(event));
        return true;
    default:
        break;
    }
    return QTableView::event(event);
}

// From the keyboard the menu opens at the current line, not at the pointer.
void ReportView::contextMenuEvent(QContextMenuEvent* event)
{
    emit menuRequested(event->reason() == QContextMenuEvent::Keyboard ? keyboardMenuPoint() : event->globalPos());
    event->accept();
}

QPoint ReportView::keyboardMenuPoint() const
{
    const QRect line = visualRect(currentIndex());
    return viewport()->mapToGlobal(line.isValid() ? line.bottomLeft() : QPoint(0, 0));
}

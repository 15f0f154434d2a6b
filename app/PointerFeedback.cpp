#include "app/PointerFeedback.h"

#include "app/WindowWidgets.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

PointerFeedback::PointerFeedback(QWidget& window) : QObject(&window), window_(window) {}

void PointerFeedback::setState(PointerState state)
{
    if (state == state_)
        return;
    state_ = state;
    std::vector<QWidget*> surfaces = widgetsOn(window_);
    surfaces.push_back(&window_);
    if (state == PointerState::Default) {
        for (QWidget* surface : surfaces) {
            surface->unsetCursor();
            // A text box shows its text cursor as the usual pointer.
            if (qobject_cast<QLineEdit*>(surface) != nullptr)
                surface->setCursor(Qt::IBeamCursor);
        }
    } else {
        QCursor cursor(Qt::ArrowCursor);
        if (state == PointerState::Busy)
            cursor = QCursor(Qt::WaitCursor);
        else if (state == PointerState::Custom)
            cursor = customImage_.value_or(QCursor(Qt::PointingHandCursor));
        for (QWidget* surface : surfaces)
            surface->setCursor(cursor);
    }
    emit stateChanged(state);
}

void PointerFeedback::follow(QWidget& control, HoverTarget target)
{
    std::vector<QWidget*> parts{&control};
    if (auto* list = qobject_cast<QTableView*>(&control)) {
        parts.push_back(list->viewport());
        parts.push_back(list->horizontalHeader());
    }
    control.setAttribute(Qt::WA_NoMousePropagation);
    for (QWidget* part : parts) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
        targets_.insert(part, target);
    }
}

void PointerFeedback::passOver(QWidget& control)
{
    control.setAttribute(Qt::WA_NoMousePropagation);
}

bool PointerFeedback::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto target = targets_.constFind(watched);
        if (target != targets_.constEnd())
            setState(pointerStateAfterHover(*target, state_));
    }
    return QObject::eventFilter(watched, event);
}

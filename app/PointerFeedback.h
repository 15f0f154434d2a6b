#pragma once

#include "common/PointerState.h"

#include <QCursor>
#include <QHash>
#include <QObject>

#include <optional>

class QWidget;

// The parts of the window whose mouse moves change the pointer state.
enum class HoverTarget {
    Surface,     // the background, a frame, the pattern box, a list
    Button,      // a push button
    StartButton, // PushButton1, which reads "Stop" while a search runs
};

// The pointer state after a mouse move over a target. Over a button the hand
// shows, elsewhere the usual pointer; neither replaces the busy pointer, but
// the Start button does, so the way to stop a search stays plain to see.
constexpr PointerState pointerStateAfterHover(HoverTarget target, PointerState state)
{
    if (target == HoverTarget::StartButton)
        return PointerState::Custom;
    if (state == PointerState::Busy)
        return PointerState::Busy;
    return target == HoverTarget::Button ? PointerState::Custom : PointerState::Default;
}

// The window's one pointer state and what it shows: the shape over the window
// and every control on it, the hand from the cursor file, and the hover rules
// that set it as the mouse moves.
class PointerFeedback : public QObject {
    Q_OBJECT
public:
    explicit PointerFeedback(QWidget& window);

    PointerState state() const { return state_; }
    void setState(PointerState state);
    // The image the custom state shows; the platform's hand without one.
    const std::optional<QCursor>& customImage() const { return customImage_; }
    void setCustomImage(const QCursor& image) { customImage_ = image; }

    // Moves over the control, a list's lines and header too, apply the target's
    // rule; the control answers for the pointer over itself alone.
    void follow(QWidget& control, HoverTarget target);
    // A control without a rule of its own leaves the pointer as it is: its
    // moves do not reach the frame around it.
    static void passOver(QWidget& control);

signals:
    void stateChanged(PointerState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    PointerState state_ = PointerState::Default;
    std::optional<QCursor> customImage_;
    QHash<const QObject*, HoverTarget> targets_;
};

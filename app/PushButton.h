#pragma once

#include <QPushButton>

// The window's push buttons, all alike: Arial 11.25 pt bold (Designer gives
// whole points only), white on the window's palette, and never the default
// button, so that Return and Escape press none of them.
class PushButton : public QPushButton {
    Q_OBJECT
public:
    explicit PushButton(QWidget* parent = nullptr);
};

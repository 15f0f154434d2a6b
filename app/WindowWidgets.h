#pragma once

#include <QWidget>

#include <vector>

// The widgets on a window, not those of boxes or menus opened over it.
inline std::vector<QWidget*> widgetsOn(QWidget& window)
{
    std::vector<QWidget*> widgets;
    for (QWidget* child : window.findChildren<QWidget*>())
        if (child->window() == &window)
            widgets.push_back(child);
    return widgets;
}

#include "app/PushButton.h"

PushButton::PushButton(QWidget* parent) : QPushButton(parent)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    setFont(font);
    QPalette white = parent != nullptr ? parent->palette() : palette();
    white.setColor(QPalette::Button, Qt::white);
    setPalette(white);
    setAutoDefault(false);
}

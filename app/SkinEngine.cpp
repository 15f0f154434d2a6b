#include "app/SkinEngine.h"

#include "app/WindowWidgets.h"
#include "common/Failure.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QStringDecoder>
#include <QWidget>

#include <vector>

namespace {

// A skin is a page or two of text; a file this large is something else.
constexpr qint64 MaxSkinFileSize = 4 << 20;

Failure notASkin(const QString& path)
{
    return Failure(QStringLiteral("The skin is not a text file: ") + path);
}

Failure unreadable(const QFile& file)
{
    return Failure(file.errorString() + QStringLiteral(": ") + file.fileName());
}

bool isGroupControl(const QWidget* widget)
{
    return qobject_cast<const QRadioButton*>(widget) || qobject_cast<const QCheckBox*>(widget)
           || qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QLabel*>(widget);
}

void setBackground(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
}

// Where a widget stands and how far it may grow or shrink.
struct Placement {
    QWidget* widget;
    QRect geometry;
    QSize minimum;
    QSize maximum;
};

Placement placementOf(QWidget* widget)
{
    return {widget, widget->geometry(), widget->minimumSize(), widget->maximumSize()};
}

// The window and the controls placed on it by hand; the parts of lists and
// the widgets in layouts are positioned by their owners.
std::vector<Placement> handPlacedWidgets(QWidget& window)
{
    std::vector<Placement> placements{placementOf(&window)};
    for (QWidget* widget : widgetsOn(window)) {
        QWidget* parent = widget->parentWidget();
        if (parent->layout() == nullptr && qobject_cast<QAbstractScrollArea*>(parent) == nullptr)
            placements.push_back(placementOf(widget));
    }
    return placements;
}

void restore(const Placement& placement)
{
    placement.widget->setMinimumSize(placement.minimum);
    placement.widget->setMaximumSize(placement.maximum);
    if (placement.widget->isWindow())
        placement.widget->resize(placement.geometry.size());
    else
        placement.widget->setGeometry(placement.geometry);
}

} // namespace

bool skinFileIsPresent(const QString& path)
{
    return QFileInfo(path).isFile();
}

void recolourForSkin(QWidget& window)
{
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    setBackground(window, buttonFace);
    for (QWidget* widget : widgetsOn(window))
        if (isGroupControl(widget))
            setBackground(*widget, buttonFace);
}

void SkinEngine::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(file);
    const QByteArray bytes = file.read(MaxSkinFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw unreadable(file);
    if (bytes.size() > MaxSkinFileSize || bytes.contains('\0'))
        throw notASkin(path);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        throw notASkin(path);
    sheet_ = text;
}

void SkinEngine::apply(QWidget& window) const
{
    if (!sheet_)
        return;
    const std::vector<Placement> placements = handPlacedWidgets(window);
    window.setAttribute(Qt::WA_StyledBackground);
    window.setStyleSheet(*sheet_);
    // The sheet's sizes take hold when a widget is polished.
    window.ensurePolished();
    for (QWidget* widget : widgetsOn(window))
        widget->ensurePolished();
    for (const Placement& placement : placements)
        restore(placement);
}

void SkinEngine::skinIfPresent(QWidget& window, const QString& path)
{
    if (!skinFileIsPresent(path))
        return;
    recolourForSkin(window);
    load(path);
    apply(window);
}

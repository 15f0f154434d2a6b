#include "tests/support/FormFixture.h"

#include "app/PointerFeedback.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <QTest>

void sendMouseMove(QWidget* widget)
{
    const QPointF at = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

FormFixture::FormFixture(int dice_) : dice(dice_)
{
    QDir().mkpath(programFolder());
    restart(dice);
}

void FormFixture::restart(int dice_)
{
    dice = dice_;
    form.reset();
    settings = std::make_unique<SettingsStore>(settingsPath());
    form = std::make_unique<Form1>(Form1Services{desktop, *settings, programFolder(), [this] { return dice; }});
}

QTableView* FormFixture::list(int number) const
{
    return control<QTableView>(QStringLiteral("ListView%1").arg(number));
}

QMenu* FormFixture::menuOf(int list) const
{
    return control<QMenu>(QStringLiteral("ListView%1Menu").arg(list));
}

QAction* FormFixture::command(int list, const QString& caption) const
{
    for (QAction* action : menuOf(list)->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

void FormFixture::rightClick(int list) const
{
    QWidget* lines = this->list(list)->viewport();
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, lines->mapToGlobal(at));
    QCoreApplication::sendEvent(lines, &event);
}

void FormFixture::doubleClick(QWidget* control, const QPoint& at) const
{
    QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, control->mapTo(form.get(), at));
}

PointerState FormFixture::pointer() const
{
    return form->pointer().state();
}

void FormFixture::setPointer(PointerState state) const
{
    form->pointer().setState(state);
}

ShownForm::ShownForm()
{
    form->Form_Load();
    form->show();
    // The lists' keys are their shortcuts, which act in the active window only.
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        qWarning("the window did not become active");
}

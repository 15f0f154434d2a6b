#include "tests/support/FormFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QTableView>

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
    return number == 1 ? form->ListView1 : form->ListView2;
}

QMenu* FormFixture::menuOf(int list) const
{
    return list == 1 ? form->ListView1Menu : form->ListView2Menu;
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

ShownForm::ShownForm()
{
    form->Form_Load();
    form->show();
}

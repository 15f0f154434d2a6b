#pragma once

#include "app/Form1.h"
#include "app/SettingsStore.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FolderEntries.h"

#include <QTemporaryDir>

#include <memory>

class QAction;
class QMenu;
class QTableView;

// A control of the window by the object name Form1.ui gives it.
template <typename Control = QWidget>
Control* controlOf(const QObject& form, const char* name)
{
    return form.findChild<Control*>(QLatin1String(name));
}

// A move of the mouse over the widget's middle, no button held, as the platform sends it.
void sendMouseMove(QWidget* widget);

// A real main window over a fake desktop, with its own settings file and
// program folder in a temporary folder.
struct FormFixture {
    explicit FormFixture(int dice = 1);

    // A new window over the same settings and program folder, as a restart.
    void restart(int dice = 1);
    QString settingsPath() const { return folder.path() + QStringLiteral("/Quillmark.conf"); }
    QString programFolder() const { return folder.path() + QStringLiteral("/program"); }

    template <typename Control = QWidget>
    Control* control(const QString& name) const
    {
        return form->findChild<Control*>(name);
    }
    // The folder list (1) or the result list (2), its context menu, and the
    // item of that menu with this caption, or null.
    QTableView* list(int number) const;
    QMenu* menuOf(int list) const;
    QAction* command(int list, const QString& caption) const;
    // A right-click inside the list's lines, as the mouse sends it.
    void rightClick(int list) const;
    // A double-click at a point of a control, through the window as the platform sends it.
    void doubleClick(QWidget* control, const QPoint& at) const;
    QStringList folderEntries() const { return ::folderEntries(form->folderList()); }
    PointerState pointer() const;
    void setPointer(PointerState state) const;

    QTemporaryDir folder;
    FakeDesktop desktop;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Form1> form;
    int dice;
};

// A loaded, shown and active window; events reach it through its window as real ones do.
struct ShownForm : FormFixture {
    ShownForm();
};

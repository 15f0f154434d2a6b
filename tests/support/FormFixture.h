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

// A real main window over a fake desktop, with its own settings file and
// program folder in a temporary folder.
struct FormFixture {
    explicit FormFixture(int dice = 1);

    // A new window over the same settings and program folder, as a restart.
    void restart(int dice = 1);
    QString settingsPath() const { return folder.path() + QStringLiteral("/Quillmark.conf"); }
    QString programFolder() const { return folder.path() + QStringLiteral("/program"); }

    // The folder list (1) or the result list (2), its context menu, and the
    // item of that menu with this caption, or null.
    QTableView* list(int number) const;
    QMenu* menuOf(int list) const;
    QAction* command(int list, const QString& caption) const;
    // A right-click inside the list's lines, as the mouse sends it.
    void rightClick(int list) const;
    QStringList folderEntries() const { return ::folderEntries(form->folderList()); }

    QTemporaryDir folder;
    FakeDesktop desktop;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Form1> form;
    int dice;
};

// A loaded, shown window; events reach it through its window as real ones do.
struct ShownForm : FormFixture {
    ShownForm();
};

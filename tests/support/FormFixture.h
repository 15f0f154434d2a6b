#pragma once

#include "FakeDesktop.h"
#include "Form1.h"
#include "SettingsStore.h"

#include <QTemporaryDir>

#include <memory>

// A real main window over a fake desktop, with its own settings file and
// program folder in a temporary folder.
struct FormFixture {
    explicit FormFixture(int dice = 1);

    // A new window over the same settings and program folder, as a restart.
    void restart(int dice = 1);
    QString settingsPath() const { return folder.path() + QStringLiteral("/Quillmark.conf"); }
    QString programFolder() const { return folder.path() + QStringLiteral("/program"); }

    QTemporaryDir folder;
    FakeDesktop desktop;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Form1> form;
    int dice;
};

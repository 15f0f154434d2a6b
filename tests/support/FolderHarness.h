#pragma once

#include "common/StepTrap.h"
#include "folders/FolderListActions.h"
#include "folders/FolderListModel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/FolderEntries.h"

#include <QString>
#include <QStringList>

// Where the harness's handler says it failed.
inline const QString FolderLocation = QStringLiteral("in Tests.Handler ");

// The folder-list actions over a stored last folder, a pointer and a phrase
// box of plain values, in a program folder of their own.
struct FolderHarness {
    explicit FolderHarness(QString* storedLastFolder = nullptr, const LookupOptions& droppedFolders = folderLookup())
        : lastFolder(storedLastFolder ? *storedLastFolder : ownLastFolder),
          actions(desktop, list, programFolder,
                  FolderListHooks{[this] { return lastFolder; }, [this](const QString& folder) { lastFolder = folder; },
                                  [this](PointerState state) { pointer = state; },
                                  [this](const QString& text) { phrase = text; }, droppedFolders})
    {
    }

    QStringList entries() const { return folderEntries(list); }

    FakeDesktop desktop;
    FolderListModel list;
    QString programFolder = QStringLiteral("/opt/scrivlist");
    QString ownLastFolder;
    QString& lastFolder;
    PointerState pointer = PointerState::Arrow;
    QString phrase = QStringLiteral(".doc");
    StepTrap trap{desktop, FolderLocation};
    FolderListActions actions;
};

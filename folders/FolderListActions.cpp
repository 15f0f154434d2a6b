#include "folders/FolderListActions.h"

#include "common/Desktop.h"
#include "common/StepTrap.h"
#include "folders/FolderListModel.h"
#include "folders/SkipEntries.h"
#include "text/Paths.h"

#include <QFile>

#include <algorithm>
#include <utility>
#include <vector>

bool holdsLocalItem(const QList<QUrl>& urls)
{
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

FolderListActions::FolderListActions(Desktop& desktop, FolderListModel& folderList, QString programFolder,
                                     FolderListHooks hooks)
    : desktop_(desktop), folderList_(folderList), programFolder_(std::move(programFolder)), hooks_(std::move(hooks))
{
}

void FolderListActions::addPickedFolder(StepTrap& trap)
{
    addFromPicker(trap, QStringLiteral("Please select folder:"),
                  [](const QString& path) { return NormalizePath(path); });
}

void FolderListActions::addSkippedFolder(StepTrap& trap)
{
    addFromPicker(trap, QStringLiteral("Please select folder to skip:"),
                  [](const QString& path) { return skipEntryFor(NormalizePath(path)); });
}

void FolderListActions::addFromPicker(StepTrap& trap, const QString& prompt,
                                      const std::function<QString(const QString&)>& entry)
{
    QString path;
    trap.step(100, [&] { path = desktop_.pickFolder(prompt, hooks_.readLastFolder()); });
    if (trap.test(102, [&] { return path.isEmpty(); }))
        return;
    trap.step(104, [&] { hooks_.setPointer(PointerState::Busy); });
    trap.step(106, [&] { folderList_.append(entry(path)); });
    // The picker opens where the user last was.
    trap.step(106, [&] { hooks_.writeLastFolder(path); });
    trap.step(108, [&] { hooks_.setPointer(PointerState::Default); });
}

void FolderListActions::addDroppedFolders(StepTrap& trap, const QList<QUrl>& urls)
{
    QStringList folders;
    trap.step(100, [&] {
        QStringList local;
        std::vector<QByteArray> paths;
        for (const QUrl& url : urls)
            if (url.isLocalFile()) {
                local << url.toLocalFile();
                paths.push_back(QFile::encodeName(local.constLast()));
            }
        const auto yield = [this] { desktop_.yieldToEventLoop(); };
        const std::vector<bool> found = lookUp(paths, hooks_.droppedFolders, yield);
        for (qsizetype item = 0; item < local.size(); ++item)
            if (found[size_t(item)])
                folders << local.at(item);
    });
    if (trap.test(102, [&] { return folders.isEmpty(); }))
        return;
    // As for a picked folder, except that a drop is not where the picker opens next.
    trap.step(104, [&] { hooks_.setPointer(PointerState::Busy); });
    for (const QString& folder : folders)
        trap.step(106, [&] { folderList_.append(NormalizePath(folder)); });
    trap.step(108, [&] { hooks_.setPointer(PointerState::Default); });
}

void FolderListActions::addSampleFolder(StepTrap& trap)
{
    trap.step(100, [&] { folderList_.append(programFolder_ + QStringLiteral("/Samples")); });
    if (trap.test(102, [&] {
            return desktop_.askYesNo(QStringLiteral("Would you like this software to open the folder where these "
                                                    "sample files are stored (so that you can view them before "
                                                    "working with them)?"));
        }))
        // Whether the desktop could open it is not looked at.
        trap.step(104, [&] { desktop_.openExternally(programFolder_ + QStringLiteral("/Samples/")); });
    trap.step(104, [&] { hooks_.setPhrase(QStringLiteral("ple1.t")); });
}

void FolderListActions::addSkippedName(StepTrap& trap)
{
    QString name;
    trap.step(100, [&] { name = desktop_.inputText(QStringLiteral("Skip every folder named: ")); });
    if (trap.test(102, [&] { return name.isEmpty(); }))
        return;
    // Such a name could never match, and the entry would look like a path.
    if (trap.test(104, [&] { return !isFolderName(name); })) {
        trap.step(106, [&] {
            desktop_.message(QStringLiteral("\"%1\" is not a folder name: a folder name has no \"/\" in it and is "
                                            "not \".\" or \"..\".")
                                 .arg(name));
        });
        return;
    }
    trap.step(108, [&] { folderList_.append(skipEntryFor(name)); });
}

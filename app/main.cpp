#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/QtDesktop.h"
#include "app/SearchesOnDock.h"
#include "app/SettingsStore.h"
#include "cli/ListRun.h"
#include "dock/LauncherBadge.h"
#include "dock/SessionBusSignals.h"
#include "folders/FolderListModel.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <exception>
#include <random>
#include <vector>

namespace {

// A folder argument that does not answer within this counts as no folder.
constexpr std::chrono::milliseconds StartFolderPatience{2000};

// A whole number from 1 to 100, from a generator seeded by the clock.
int drawOneToHundred()
{
    static std::mt19937 generator(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    return static_cast<int>(fraction(generator) * 100) + 1;
}

qint64 steadyClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char* argv[])
{
    // Read before anything of the window, so --help and --list work without a display; a folder keeps its bytes.
    QByteArrayList arguments;
    for (int position = 1; position < argc; ++position)
        arguments << QByteArray(argv[position]);
    const CommandLine command = parseCommandLine(arguments);
    switch (command.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::ShowVersion:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "%s\n", command.refusal.toLocal8Bit().constData());
        return 2;
    case CommandLine::Action::List:
        runList(command.list);
    case CommandLine::Action::OpenWindow:
        break;
    }
    // The toolkit sees its own options only, never a folder.
    std::vector<char*> toolkitArgv{argv[0]};
    for (const int position : command.toolkitArguments)
        toolkitArgv.push_back(argv[position + 1]);
    int toolkitArgc = static_cast<int>(toolkitArgv.size());
    toolkitArgv.push_back(nullptr);
    try {
        QApplication application(toolkitArgc, toolkitArgv.data());
        QGuiApplication::setDesktopFileName(QStringLiteral("example.quillmark.Scrivlist"));
        // Looked up before the window shows, on the I/O threads with a bound.
        const StartFolders start = sortStartFolders(command.folders, workingFolder(), StartFolderPatience);
        QtDesktop desktop;
        SettingsStore settings;
        Form1 form(Form1Services{desktop, settings, QCoreApplication::applicationDirPath(), drawOneToHundred});
        desktop.setOwner(&form);
        SessionBusSignals bus;
        LauncherBadge badge(bus, QStringLiteral("application://%1.desktop").arg(QGuiApplication::desktopFileName()),
                            steadyClockMs);
        showSearchesOnDock(form, badge);
        form.Form_Load();
        for (const QByteArray& entry : start.entries)
            form.folderList().appendPath(entry);
        form.showCentered();
        if (!start.notFolders.isEmpty())
            QTimer::singleShot(0, &form, [&desktop, &start] { reportNotFolders(desktop, start.notFolders); });
        return application.exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scrivlist: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "scrivlist: unexpected failure\n");
    }
    return 1;
}

#include "CommandLine.h"

#include "Paths.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// The toolkit reads these itself, with one or two leading dashes; they stay
// accepted as they always were.
const char* const ToolkitFlags[] = {"reverse", "widgetcount", "testability", "nograb", "dograb", "sync", "cmap"};
const char* const ToolkitOptionsWithValue[] = {
    "platform",
    "platformpluginpath",
    "platformtheme",
    "plugin",
    "qwindowgeometry",
    "qwindowtitle",
    "qwindowicon",
    "session",
    "display",
    "geometry",
    "title",
    "icon",
    "name",
    "visual",
    "ncols",
    "style",
    "stylesheet",
};
// These also come as -name=value.
const char* const ToolkitOptionsJoined[] = {"style", "stylesheet", "qmljsdebugger"};

template <std::size_t N>
bool listed(const QString& name, const char* const (&names)[N])
{
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* known) { return name == QLatin1String(known); });
}

// The option's name without its one or two leading dashes.
QString optionName(const QString& argument)
{
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
}

CommandLine refused(const QString& line)
{
    CommandLine command;
    command.action = CommandLine::Action::Refuse;
    command.refusal = QStringLiteral("scrivlist: ") + line;
    return command;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine command;
    bool optionsEnded = false;
    for (int position = 0; position < arguments.size(); ++position) {
        const QString& argument = arguments[position];
        // A lone "-" is a name like any other.
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            command.folders << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help")) {
            command.action = CommandLine::Action::ShowHelp;
            return command;
        }
        if (argument == QLatin1String("--version")) {
            command.action = CommandLine::Action::ShowVersion;
            return command;
        }
        const QString name = optionName(argument);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (listed(name, ToolkitFlags) || (equals > 0 && listed(name.left(equals), ToolkitOptionsJoined))) {
            command.toolkitArguments << position;
            continue;
        }
        if (listed(name, ToolkitOptionsWithValue)) {
            if (position + 1 == arguments.size())
                return refused(QStringLiteral("option '%1' needs a value").arg(argument));
            command.toolkitArguments << position << position + 1;
            ++position;
            continue;
        }
        return refused(QStringLiteral("unknown option '%1' (a folder whose name begins with '-' goes after '--'; "
                                      "see scrivlist --help)")
                           .arg(argument));
    }
    return command;
}

QString helpText()
{
    return QStringLiteral("Usage: scrivlist [OPTION]... [--] [FOLDER]...\n"
                          "Opens the window with each FOLDER appended to the folder list, in order.\n"
                          "Arguments that are not folders are named in a box once the window shows.\n"
                          "\n"
                          "  --help       show this help and end\n"
                          "  --version    show the version and end\n"
                          "  --           every argument after this is a folder, also one beginning with '-'\n"
                          "\n"
                          "The toolkit's own options, such as -platform, are accepted as well.\n");
}

QString versionText()
{
    return QStringLiteral("scrivlist " SCRIVLIST_VERSION "\n");
}

QString folderEntryFor(const QString& argument, const QString& workingFolder)
{
    const QString absolute =
        QDir::isAbsolutePath(argument) ? argument : workingFolder + QLatin1Char(NativeSeparator) + argument;
    return NormalizePath(QDir::cleanPath(absolute));
}

StartFolders sortStartFolders(const QStringList& folders, const QString& workingFolder,
                              std::chrono::milliseconds patience, const std::function<bool(const QByteArray&)>& call)
{
    QStringList entries;
    std::vector<QByteArray> paths;
    for (const QString& folder : folders) {
        entries << folderEntryFor(folder, workingFolder);
        paths.push_back(QFile::encodeName(entries.constLast()));
    }
    LookupOptions lookup = folderLookup(patience);
    lookup.call = call;
    const std::vector<bool> found = lookUp(paths, lookup);
    StartFolders sorted;
    for (qsizetype position = 0; position < entries.size(); ++position)
        (found[static_cast<std::size_t>(position)] ? sorted.entries : sorted.notFolders) << entries[position];
    return sorted;
}

QString notFoldersMessage(const QStringList& paths)
{
    return QStringLiteral("Not a folder: ") + paths.join(QLatin1Char('\n'));
}

#include "app/CommandLine.h"

#include "common/Desktop.h"
#include "text/Paths.h"

#include <QFile>
#include <QStringList>

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
bool listed(const QByteArray& name, const char* const (&names)[N])
{
    return std::any_of(std::begin(names), std::end(names), [&](const char* known) { return name == known; });
}

// The option's name without its one or two leading dashes.
QByteArray optionName(const QByteArray& argument)
{
    return argument.mid(argument.startsWith("--") ? 2 : 1);
}

// Paths named in the box's own text; the others wait behind "Show Details...".
constexpr qsizetype ShownPaths = 10;
// A longer path is named there with its middle left out.
constexpr qsizetype ShownPathLength = 120;

// A path as the folder list shows it; the empty argument as it was typed.
QString shownPath(const QByteArray& path)
{
    return path.isEmpty() ? QStringLiteral("\"\" (an empty argument)") : QFile::decodeName(path);
}

QString shortened(const QString& path)
{
    if (path.size() <= ShownPathLength)
        return path;
    // Never between the two halves of a character beyond the first plane.
    qsizetype head = ShownPathLength / 2;
    if (path.at(head - 1).isHighSurrogate())
        --head;
    qsizetype tail = path.size() - ShownPathLength / 2;
    if (path.at(tail).isLowSurrogate())
        ++tail;
    return path.left(head) + QChar(0x2026) + path.mid(tail);
}

CommandLine refused(const QString& line)
{
    CommandLine command;
    command.action = CommandLine::Action::Refuse;
    command.refusal = QStringLiteral("scrivlist: ") + line;
    return command;
}

} // namespace

CommandLine parseCommandLine(const QByteArrayList& arguments)
{
    CommandLine command;
    if (!arguments.isEmpty() && arguments.first() == "--list") {
        const ListArguments list = parseListArguments(arguments.mid(1));
        switch (list.outcome) {
        case ListArguments::Outcome::List:
            command.action = CommandLine::Action::List;
            command.list = list.request;
            return command;
        case ListArguments::Outcome::ShowHelp:
            command.action = CommandLine::Action::ShowHelp;
            return command;
        case ListArguments::Outcome::ShowVersion:
            command.action = CommandLine::Action::ShowVersion;
            return command;
        case ListArguments::Outcome::Refuse:
            break;
        }
        return refused(list.refusal);
    }
    bool optionsEnded = false;
    for (int position = 0; position < arguments.size(); ++position) {
        const QByteArray& argument = arguments[position];
        // A lone "-" is a name like any other.
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            command.folders << argument;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help") {
            command.action = CommandLine::Action::ShowHelp;
            return command;
        }
        if (argument == "--version") {
            command.action = CommandLine::Action::ShowVersion;
            return command;
        }
        if (argument == "--list")
            return refused(QStringLiteral("--list comes first: scrivlist --list PHRASE [OPTION]... [--] FOLDER..."));
        const QByteArray name = optionName(argument);
        const qsizetype equals = name.indexOf('=');
        if (listed(name, ToolkitFlags) || (equals > 0 && listed(name.left(equals), ToolkitOptionsJoined))) {
            command.toolkitArguments << position;
            continue;
        }
        const QString shown = QFile::decodeName(argument);
        if (listed(name, ToolkitOptionsWithValue)) {
            if (position + 1 == arguments.size())
                return refused(QStringLiteral("option '%1' needs a value").arg(shown));
            command.toolkitArguments << position << position + 1;
            ++position;
            continue;
        }
        return refused(QStringLiteral("unknown option '%1' (a folder whose name begins with '-' goes after '--'; "
                                      "see scrivlist --help)")
                           .arg(shown));
    }
    return command;
}

QString helpText()
{
    return QStringLiteral("Usage: scrivlist [OPTION]... [--] [FOLDER]...\n"
                          "  or:  scrivlist --list PHRASE [LIST OPTION]... [--] FOLDER...\n"
                          "Opens the window with each FOLDER appended to the folder list, in order.\n"
                          "Arguments that are not folders are named in a box once the window shows.\n"
                          "\n"
                          "  --help       show this help and end\n"
                          "  --version    show the version and end\n"
                          "  --           every argument after this is a folder, also one beginning with '-'\n"
                          "\n"
                          "The toolkit's own options, such as -platform, are accepted as well.\n"
                          "\n"
                          "With --list, no window opens: the lines the result list would hold after a search\n"
                          "of those folders for PHRASE go to standard output, in the same order, each its own\n"
                          "bytes followed by a line feed. PHRASE is the argument right after --list; case is\n"
                          "ignored and every \"*\" taken out, as in the window. Folders are taken against the\n"
                          "working folder, as the folder list would hold them.\n"
                          "\n"
                          "  --form path|name|folder|subfolder\n"
                          "                      what a line holds: Path and Filename (the default), Just\n"
                          "                      Filename, Just Path, Just Subfolder\n"
                          "  --no-subfolders     search the folders themselves only\n"
                          "  --skip ENTRY        leave out a folder (a path) or every folder of a name, as a\n"
                          "                      skip entry of the folder list without its minus; repeatable\n"
                          "  -0, --null          end each line with a NUL byte instead, for xargs -0\n"
                          "\n"
                          "A folder that is missing or cannot be read gets a line on standard error and the\n"
                          "walk goes on. Exit status: 0; 1 after such a line; 2 for a bad option, a phrase\n"
                          "that is empty or only spaces, or no FOLDER.\n"
                          "\n"
                          "Examples:\n"
                          "  scrivlist --list .pdf -0 ~/Documents | xargs -0 ls -l --\n"
                          "  scrivlist --list .mp3 --no-subfolders ~/Music/Concert > concert.m3u\n");
}

QString versionText()
{
    return QStringLiteral("scrivlist " SCRIVLIST_VERSION "\n");
}

StartFolders sortStartFolders(const QByteArrayList& folders, const QByteArray& workingFolder,
                              std::chrono::milliseconds patience, const std::function<bool(const QByteArray&)>& call)
{
    QByteArrayList entries;
    std::vector<QByteArray> paths; // the entries that may name a folder
    for (const QByteArray& folder : folders) {
        entries << folderEntryFor(folder, workingFolder);
        if (!entries.constLast().isEmpty())
            paths.push_back(entries.constLast());
    }
    LookupOptions lookup = folderLookup(patience);
    lookup.call = call;
    const std::vector<bool> found = lookUp(paths, lookup);
    StartFolders sorted;
    std::size_t looked = 0;
    for (const QByteArray& entry : entries)
        (!entry.isEmpty() && found[looked++] ? sorted.entries : sorted.notFolders) << entry;
    return sorted;
}

void reportNotFolders(Desktop& desktop, const QByteArrayList& paths)
{
    QStringList all;
    QStringList shown;
    for (const QByteArray& path : paths) {
        all << shownPath(path);
        if (shown.size() < ShownPaths)
            shown << shortened(all.constLast());
    }
    QString text = QStringLiteral("Not a folder: ") + shown.join(QLatin1Char('\n'));
    if (const qsizetype more = all.size() - shown.size(); more > 0)
        text += QStringLiteral("\nand %1 more, listed under Show Details").arg(more);
    desktop.messageWithDetails(text, shown == all ? QString() : all.join(QLatin1Char('\n')));
}

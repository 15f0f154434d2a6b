#include "cli/LineWriter.h"
#include "cli/ListRequest.h"
#include "cli/ListRun.h"
#include "cli/TerminalText.h"
#include "folders/FolderArguments.h"
#include "tests/support/ScriptedReader.h"

#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(ListArguments::Outcome)
Q_DECLARE_METATYPE(ResultForm)

// ThreadSanitizer's runtime cannot follow the way the toolkit starts a process (a clone that shares the
// parent's memory until its exec), so the tests that run the built program are skipped there; the walk's
// threads are still judged in-process. QSKIP's message-only form is refused by pedantic C++17: the call it
// makes is made here.
#if defined(__SANITIZE_THREAD__)
#define SCRIVLIST_UNDER_TSAN
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SCRIVLIST_UNDER_TSAN
#endif
#endif
#ifdef SCRIVLIST_UNDER_TSAN
#define SKIP_WHERE_NO_PROGRAM_RUNS()                                                                                   \
    do {                                                                                                               \
        QTest::qSkip("ThreadSanitizer cannot follow the start of a process", __FILE__, __LINE__);                      \
        return;                                                                                                        \
    } while (false)
#else
#define SKIP_WHERE_NO_PROGRAM_RUNS()                                                                                   \
    do {                                                                                                               \
    } while (false)
#endif

namespace {

// A temporary folder of files and folders (ending in "/"), each name its own bytes. It removes them itself:
// the toolkit's removal cannot reach a name that is not UTF-8.
struct ByteTree {
    explicit ByteTree(const QByteArrayList& entries = {})
    {
        for (const QByteArray& entry : entries)
            add(entry);
    }
    ~ByteTree() { std::filesystem::remove_all(root.toStdString()); }
    ByteTree(const ByteTree&) = delete;
    ByteTree& operator=(const ByteTree&) = delete;

    void add(const QByteArray& entry) const
    {
        const QByteArray path = root + '/' + entry;
        for (qsizetype at = path.indexOf('/', root.size() + 1); at >= 0; at = path.indexOf('/', at + 1))
            ::mkdir(path.left(at).constData(), 0755);
        if (entry.endsWith('/'))
            return;
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        QVERIFY2(fd >= 0, path.constData());
        ::close(fd);
    }
    QString path() const { return dir.path(); }

    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
};

QByteArrayList withRoot(QByteArrayList texts, const QByteArray& root)
{
    for (QByteArray& text : texts)
        text.replace("%1", root);
    return texts;
}

QStringList decoded(const QByteArrayList& arguments)
{
    QStringList texts;
    for (const QByteArray& argument : arguments)
        texts << QString::fromUtf8(argument);
    return texts;
}

// The lines of output that ends each line with `ending`.
QByteArrayList linesOf(const QByteArray& output, char ending)
{
    QByteArrayList lines = output.split(ending);
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArrayList sorted(QByteArrayList lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

struct Finished {
    int status = -1; // -1 when it did not end by itself
    QByteArray out;
    QByteArray err;
};

// The built program, run as a person runs it over ssh: no display, no session bus, settings in a folder of
// its own that must stay empty.
class Program {
public:
    Program()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(SCRIVLIST_PROGRAM));
    }

    Finished run(const QByteArrayList& arguments, const QString& workingFolder)
    {
        process.setArguments(decoded(arguments));
        process.setWorkingDirectory(workingFolder);
        process.start();
        Finished finished;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return finished;
        }
        finished.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        finished.out = process.readAllStandardOutput();
        finished.err = process.readAllStandardError();
        return finished;
    }

    bool wroteSettings() const { return !QDir(config.path()).isEmpty(); }

    QTemporaryDir config;
    QProcess process;
};

} // namespace

// scrivlist --list: its arguments, the same lines as the window's search, its
// failures and exit statuses, and its output into pipes, files and terminals.
class tst_list : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void skipEntries_data();
    void skipEntries();
    void sameLinesAsTheWindow_data();
    void sameLinesAsTheWindow();
    void exitStatus_data();
    void exitStatus();
    void unreadableOnTheWay_data();
    void unreadableOnTheWay();
    void endings_data();
    void endings();
    void quotedForTerminal_data();
    void quotedForTerminal();
    void terminalShowsNamesQuoted();
    void closedPipeEndsQuietly();
    void interruptEndsItWhileAListingHangs();
};

void tst_list::parse_data()
{
    using O = ListArguments::Outcome;
    QTest::addColumn<QByteArrayList>("arguments"); // after --list
    QTest::addColumn<O>("outcome");
    QTest::addColumn<ResultForm>("form");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QByteArrayList>("skips");
    QTest::addColumn<bool>("nul");
    QTest::addColumn<QByteArrayList>("folders");
    const auto path = ResultForm::PathAndFilename;
    const QByteArrayList none;
    QTest::newRow("a phrase and a folder")
        << QByteArrayList{"txt", "/a"} << O::List << path << true << none << false << QByteArrayList{"/a"};
    QTest::newRow("every option, mixed with folders")
        << QByteArrayList{"txt",    "--form",       "name", "/a",          "--no-subfolders",
                          "--skip", "node_modules", "-0",   "--skip=/a/b", "b"}
        << O::List << ResultForm::JustFilename << false << QByteArrayList{"node_modules", "/a/b"} << true
        << QByteArrayList{"/a", "b"};
    QTest::newRow("a joined form, the last one counts")
        << QByteArrayList{"x", "--form=subfolder", "--form", "folder", "--null", "--null", "/a"} << O::List
        << ResultForm::JustPath << true << none << true << QByteArrayList{"/a"};
    QTest::newRow("a phrase that begins with a minus")
        << QByteArrayList{"-draft", "/a"} << O::List << path << true << none << false << QByteArrayList{"/a"};
    QTest::newRow("-- before folders that begin with a minus")
        << QByteArrayList{"x", "/a", "--", "-old", "--form", "--"} << O::List << path << true << none << false
        << QByteArrayList{"/a", "-old", "--form", "--"};
    QTest::newRow("--skip takes the next argument, whatever it is")
        << QByteArrayList{"x", "--skip", "-old", "/a"} << O::List << path << true << QByteArrayList{"-old"} << false
        << QByteArrayList{"/a"};
    QTest::newRow("a lone dash and names that are not UTF-8 are folders")
        << QByteArrayList{"*", "-", "bad\377"} << O::List << path << true << none << false
        << QByteArrayList{"-", "bad\377"};
    QTest::newRow("help among the options")
        << QByteArrayList{"x", "--help"} << O::ShowHelp << path << true << none << false << none;
    QTest::newRow("version, with a blank phrase")
        << QByteArrayList{" ", "--version"} << O::ShowVersion << path << true << none << false << none;
    QTest::newRow("a bad option before help")
        << QByteArrayList{"x", "--sort", "--help"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("nothing after --list") << none << O::Refuse << path << true << none << false << none;
    QTest::newRow("no folder") << QByteArrayList{"x", "--form", "name"} << O::Refuse << path << true << none << false
                               << none;
    QTest::newRow("an empty phrase") << QByteArrayList{"", "/a"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("spaces only") << QByteArrayList{"   ", "/a"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("a phrase that is not UTF-8")
        << QByteArrayList{"caf\xe9", "/a"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("a toolkit option") << QByteArrayList{"x", "-platform", "offscreen", "/a"} << O::Refuse << path
                                      << true << none << false << none;
    QTest::newRow("a dash name before --")
        << QByteArrayList{"x", "/a", "-old"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("--form without its value")
        << QByteArrayList{"x", "/a", "--form"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("--form with a value it does not know")
        << QByteArrayList{"x", "--form", "full", "/a"} << O::Refuse << path << true << none << false << none;
    QTest::newRow("--skip of nothing") << QByteArrayList{"x", "--skip=", "/a"} << O::Refuse << path << true << none
                                       << false << none;
}

void tst_list::parse()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(ListArguments::Outcome, outcome);
    QFETCH(ResultForm, form);
    QFETCH(bool, subfolders);
    QFETCH(QByteArrayList, skips);
    QFETCH(bool, nul);
    QFETCH(QByteArrayList, folders);
    const ListArguments parsed = parseListArguments(arguments);
    QCOMPARE(parsed.outcome, outcome);
    if (outcome == ListArguments::Outcome::Refuse) {
        QVERIFY(!parsed.refusal.isEmpty());
        QVERIFY(!parsed.refusal.contains(QLatin1Char('\n')));
        return;
    }
    if (outcome != ListArguments::Outcome::List)
        return;
    const ListRequest& request = parsed.request;
    QCOMPARE(request.phrase, QString::fromUtf8(arguments.first()));
    QCOMPARE(request.form, form);
    QCOMPARE(request.includeSubfolders, subfolders);
    QCOMPARE(request.skips, skips);
    QCOMPARE(request.nulEnded, nul);
    QCOMPARE(request.folders, folders);
}

void tst_list::skipEntries_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("folder"); // a folder met in a walk
    QTest::addColumn<bool>("skipped");
    QTest::newRow("a name, at any depth") << QByteArray("node_modules") << QByteArray("/srv/a/node_modules") << true;
    QTest::newRow("a name is not a path") << QByteArray("srv") << QByteArray("/srv") << true;
    QTest::newRow("an absolute path, as given") << QByteArray("/srv//build/") << QByteArray("/srv/build") << true;
    QTest::newRow("a relative path, against the working folder")
        << QByteArray("src/build") << QByteArray("/home/me/src/build") << true;
    QTest::newRow("the working folder") << QByteArray(".") << QByteArray("/home/me") << true;
    QTest::newRow("up and across") << QByteArray("../you/./x") << QByteArray("/home/you/x") << true;
    QTest::newRow("a relative path skips only its folder")
        << QByteArray("./build") << QByteArray("/home/me/src/build") << false;
}

void tst_list::skipEntries()
{
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, folder);
    QFETCH(bool, skipped);
    const SkipRules rules = skipRulesFor({entry}, "/home/me");
    QCOMPARE(rules.skips(folder, folder.mid(folder.lastIndexOf('/') + 1)), skipped);
}

void tst_list::sameLinesAsTheWindow_data()
{
    QTest::addColumn<QByteArrayList>("tree");
    QTest::addColumn<QByteArrayList>("folders"); // arguments, from the tree's root; the window gets their entries
    QTest::addColumn<QByteArray>("phrase");
    QTest::addColumn<QByteArray>("formName");
    QTest::addColumn<ResultForm>("option"); // the window's, for that form
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QByteArrayList>("skips");       // as given to --skip; %1 is the root
    QTest::addColumn<QByteArrayList>("skipEntries"); // the window's, in the folder list
    const QByteArrayList tree{
        "b.txt",       "a.TXT", "x.doc", "sub/c.txt", "sub/deeper/d.txt", "sub/e.md", "other/deeper/f.txt",
        "other/g.txt", "empty/"};
    const QByteArrayList none;
    QTest::newRow("path, files before each subfolder's tree")
        << tree << QByteArrayList{"."} << QByteArray(".txt") << QByteArray("path") << ResultForm::PathAndFilename
        << true << none << none;
    QTest::newRow("name, without subfolders") << tree << QByteArrayList{"."} << QByteArray("TXT") << QByteArray("name")
                                              << ResultForm::JustFilename << false << none << none;
    QTest::newRow("folder, a line for each match")
        << tree << QByteArrayList{"sub", "."} << QByteArray("*") << QByteArray("folder") << ResultForm::JustPath << true
        << none << none;
    QTest::newRow("subfolder, one entry inside another")
        << tree << QByteArrayList{".", "sub/../sub/"} << QByteArray(".txt") << QByteArray("subfolder")
        << ResultForm::JustSubfolder << true << none << none;
    QTest::newRow("skipped: a name and a relative path")
        << tree << QByteArrayList{"."} << QByteArray("*") << QByteArray("path") << ResultForm::PathAndFilename << true
        << QByteArrayList{"deeper", "./other"} << QByteArrayList{"-deeper", "-%1/other"};
    QTest::newRow("skipped: an absolute path")
        << tree << QByteArrayList{".", "sub"} << QByteArray("t") << QByteArray("name") << ResultForm::JustFilename
        << true << QByteArrayList{"%1/sub/"} << QByteArrayList{"-%1/sub"};
    QTest::newRow("case, stars and either Unicode form")
        << QByteArrayList{"cafe\xcc\x81.txt", "CAF\xc3\x89.doc", "caf\xc3\xa9s/x.md", "cafe.txt", "sub/Caf\xc3\xa9"}
        << QByteArrayList{"."} << QByteArray("*caf\xc3\xa9*") << QByteArray("name") << ResultForm::JustFilename << true
        << none << none;
    QTest::newRow("names that are not UTF-8")
        << QByteArrayList{"bad\xff.txt", "ok.txt", "dir\xfe/in.txt", "dir\xfe/in\xc3.doc"} << QByteArrayList{"."}
        << QByteArray("*") << QByteArray("path") << ResultForm::PathAndFilename << true << none << none;
    QTest::newRow("a phrase's spaces count")
        << QByteArrayList{"a .txt", "a.txt", "b  .txt"} << QByteArrayList{"."} << QByteArray(" .txt")
        << QByteArray("name") << ResultForm::JustFilename << true << none << none;
}

void tst_list::sameLinesAsTheWindow()
{
    SKIP_WHERE_NO_PROGRAM_RUNS();
    QFETCH(QByteArrayList, tree);
    QFETCH(QByteArrayList, folders);
    QFETCH(QByteArray, phrase);
    QFETCH(QByteArray, formName);
    QFETCH(ResultForm, option);
    QFETCH(bool, subfolders);
    QFETCH(QByteArrayList, skips);
    QFETCH(QByteArrayList, skipEntries);
    const ByteTree dir(tree);
    const QByteArray& root = dir.root;

    SearchHarness<PosixFolderReader> window;
    for (const QByteArray& argument : folders)
        window.folders.appendPath(folderEntryFor(argument, root));
    for (const QByteArray& entry : withRoot(skipEntries, root))
        window.folders.appendPath(entry);
    window.phraseBox = QString::fromUtf8(phrase);
    window.option = option;
    window.check5 = subfolders ? 1 : 0;
    window.desktop.expectMessage(QStringLiteral("Done."));
    window.click();
    QVERIFY2(window.desktop.problems().isEmpty(), qPrintable(window.desktop.problems().join('\n')));

    QByteArrayList arguments{"--list", phrase, "--form", formName, "-0"};
    if (!subfolders)
        arguments << "--no-subfolders";
    for (const QByteArray& skip : withRoot(skips, root))
        arguments << "--skip" << skip;
    Program program;
    const Finished listed = program.run(arguments << "--" << folders, dir.path());
    QCOMPARE(listed.err, QByteArray());
    QCOMPARE(listed.status, 0);
    QVERIFY(!window.lines().isEmpty());
    QCOMPARE(linesOf(listed.out, '\0'), window.lines());
    QVERIFY(!program.wroteSettings());
}

void tst_list::exitStatus_data()
{
    QTest::addColumn<QByteArrayList>("arguments"); // run in a folder of a.txt and sub/b.txt; %1 is that folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArrayList>("errors");
    QTest::addColumn<int>("lines");
    QTest::newRow("all there") << QByteArrayList{"--list", "txt", "."} << 0 << QByteArrayList{} << 2;
    QTest::newRow("a missing folder, then one that is there")
        << QByteArrayList{"--list", "txt", "gone", "."} << 1
        << QByteArrayList{"scrivlist: %1/gone: No such file or directory"} << 2;
    QTest::newRow("a file given as a folder") << QByteArrayList{"--list", "txt", "a.txt", "sub"} << 1
                                              << QByteArrayList{"scrivlist: %1/a.txt: Not a directory"} << 1;
    QTest::newRow("an empty argument") << QByteArrayList{"--list", "txt", ""} << 1
                                       << QByteArrayList{"scrivlist: \"\": an empty argument names no folder"} << 0;
    QTest::newRow("spaces only") << QByteArrayList{"--list", "  ", "."} << 2
                                 << QByteArrayList{"scrivlist: --list needs a phrase that is not empty or only spaces"}
                                 << 0;
    QTest::newRow("no folder") << QByteArrayList{"--list", "txt"} << 2
                               << QByteArrayList{"scrivlist: --list needs a FOLDER (see scrivlist --help)"} << 0;
    QTest::newRow("an unknown option")
        << QByteArrayList{"--list", "txt", "--sort", "."} << 2
        << QByteArrayList{"scrivlist: unknown option '--sort' with --list (a folder whose name begins with '-' goes "
                          "after '--') (see scrivlist --help)"}
        << 0;
    QTest::newRow("--list after a folder")
        << QByteArrayList{".", "--list", "txt"} << 2
        << QByteArrayList{"scrivlist: --list comes first: scrivlist --list PHRASE [OPTION]... [--] FOLDER..."} << 0;
}

void tst_list::exitStatus()
{
    SKIP_WHERE_NO_PROGRAM_RUNS();
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArrayList, errors);
    QFETCH(int, lines);
    const ByteTree dir({"a.txt", "sub/b.txt"});
    const QByteArray& root = dir.root;
    Program program;
    const Finished listed = program.run(arguments, dir.path());
    QCOMPARE(linesOf(listed.err, '\n'), withRoot(errors, root));
    QCOMPARE(listed.status, status);
    QCOMPARE(linesOf(listed.out, '\n').size(), lines);
}

void tst_list::unreadableOnTheWay_data()
{
    QTest::addColumn<bool>("hangs"); // else it is refused
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("a folder that refuses its listing") << false << QByteArray("Permission denied");
    // A dead share mounted inside the tree: the rest of the walk goes on.
    QTest::newRow("a share that does not answer") << true << QByteArray("Connection timed out");
}

void tst_list::unreadableOnTheWay()
{
    QFETCH(bool, hangs);
    QFETCH(QByteArray, error);
    const ByteTree dir({"a/1.txt", "b/2.txt", "b/inner/3.txt", "c/4.txt"});
    const QByteArray& root = dir.root;
    auto reader = std::make_shared<ScriptedReader>();
    const auto release = qScopeGuard([&] { reader->release(); });
    std::optional<QueueSettings> share;
    if (hangs) {
        share.emplace([](IoQueue::Settings& queue) { queue.timeOut = std::chrono::milliseconds(300); },
                      QByteArrayList{root + "/b"});
        reader->hangAt = root + "/b";
    } else {
        reader->failures.insert(root + "/b", EACCES);
    }
    QTemporaryFile out;
    QTemporaryFile errors;
    QVERIFY(out.open() && errors.open());
    ListRequest request;
    request.phrase = QStringLiteral("*");
    request.folders = {root};
    int status = -1;
    {
        LineWriter outWriter(out.handle(), false);
        LineWriter errorWriter(errors.handle(), false);
        status = listMatches(request, "/", outWriter, errorWriter, reader);
    }
    QVERIFY(out.seek(0) && errors.seek(0));
    QCOMPARE(errors.readAll(), "scrivlist: " + root + "/b: " + error + '\n');
    QCOMPARE(sorted(linesOf(out.readAll(), '\n')), withRoot({"%1/a/1.txt", "%1/c/4.txt"}, root));
    QCOMPARE(status, 1);
}

void tst_list::endings_data()
{
    QTest::addColumn<QByteArray>("option");
    QTest::addColumn<char>("ending");
    QTest::newRow("NUL, for xargs -0") << QByteArray("-0") << '\0';
    // Into a pipe every name keeps its bytes, a line feed too.
    QTest::newRow("line feed") << QByteArray("--form=path") << '\n';
}

void tst_list::endings()
{
    SKIP_WHERE_NO_PROGRAM_RUNS();
    QFETCH(QByteArray, option);
    QFETCH(char, ending);
    const ByteTree dir({"two\nlines.txt", "plain.txt"});
    const QByteArray& root = dir.root;
    const Finished listed = Program().run({"--list", "txt", option, dir.path().toUtf8()}, dir.path());
    QCOMPARE(listed.status, 0);
    const QByteArray first = root + "/two\nlines.txt" + ending;
    const QByteArray second = root + "/plain.txt" + ending;
    QVERIFY2(listed.out == first + second || listed.out == second + first, listed.out.constData());
}

void tst_list::quotedForTerminal_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("plain, spaces and all") << QByteArray("/a b/it's.txt") << QByteArray("/a b/it's.txt");
    QTest::newRow("UTF-8 of every length") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5")
                                           << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5");
    QTest::newRow("a line feed") << QByteArray("a\nb") << QByteArray("'a'$'\\n''b'");
    QTest::newRow("an escape sequence") << QByteArray("x\x1b]0;title\a.txt")
                                        << QByteArray("'x'$'\\033'']0;title'$'\\a''.txt'");
    QTest::newRow("a quote beside a tab") << QByteArray("it's\t") << QByteArray("'it'\\''s'$'\\t'");
    QTest::newRow("DEL") << QByteArray("a\x7f") << QByteArray("'a'$'\\177'");
    QTest::newRow("C1 control in UTF-8") << QByteArray("\xc2\x9b"
                                                       "2J")
                                         << QByteArray("$'\\302\\233''2J'");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9.txt") << QByteArray("'caf'$'\\351''.txt'");
    QTest::newRow("cut short at the end") << QByteArray("\xe2\x82") << QByteArray("$'\\342\\202'");
    QTest::newRow("a surrogate's encoding") << QByteArray("\xed\xa0\x80") << QByteArray("$'\\355\\240\\200'");
}

void tst_list::quotedForTerminal()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, shown);
    QCOMPARE(needsQuotingOnTerminal(line), line != shown);
    if (line != shown)
        QCOMPARE(::quotedForTerminal(line), shown);
}

void tst_list::terminalShowsNamesQuoted()
{
    SKIP_WHERE_NO_PROGRAM_RUNS();
    const ByteTree dir({"evil\x1b]0;owned\a.txt", "plain.txt"});
    const QByteArray& root = dir.root;
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    const QByteArray side = ::ptsname(terminal);
    Program program;
    program.process.setChildProcessModifier([&side] {
        const int fd = ::open(side.constData(), O_RDWR | O_NOCTTY);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
    });
    const Finished listed = program.run({"--list", "txt", "--form", "name", ".", "gone\x1b[2J"}, dir.path());
    QCOMPARE(listed.status, 1);
    QByteArray shown;
    char buffer[4096];
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, got);
    ::close(terminal);
    // The terminal turns each line feed into CR LF.
    QVERIFY2(!shown.contains('\x1b') && !shown.contains('\a'), shown.constData());
    QVERIFY2(shown.contains("'evil'$'\\033'']0;owned'$'\\a''.txt'\r\n"), shown.constData());
    QVERIFY2(shown.contains("plain.txt\r\n"), shown.constData());
    QVERIFY2(shown.contains("scrivlist: '" + root + "/gone'$'\\033''[2J': No such file or directory\r\n"),
             shown.constData());
}

void tst_list::closedPipeEndsQuietly()
{
    SKIP_WHERE_NO_PROGRAM_RUNS();
    // More lines than one buffer holds, so the walk meets the closed pipe on the way.
    const ByteTree dir;
    for (int file = 0; file < 3000; ++file)
        dir.add("a-rather-long-name-for-a-file-" + QByteArray::number(file) + ".txt");
    int pipeEnds[2];
    QVERIFY(::pipe2(pipeEnds, O_CLOEXEC) == 0);
    ::close(pipeEnds[0]);
    Program program;
    const int writeEnd = pipeEnds[1];
    program.process.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
    const Finished listed = program.run({"--list", "txt", "."}, dir.path());
    ::close(writeEnd);
    QCOMPARE(listed.err, QByteArray());
    QCOMPARE(listed.status, 0);
}

void tst_list::interruptEndsItWhileAListingHangs()
{
    SKIP_WHERE_NO_PROGRAM_RUNS();
// QSKIP with a message alone leaves its macro's variadic part empty, which pedantic C++17 refuses: the call it
// makes is made here.
#ifndef SCRIVLIST_SLOWFS
    QTest::qSkip("the share stand-in is not built here (it needs libfuse3)", __FILE__, __LINE__);
#else
    const ByteTree source({"a/x.txt"});
    QTemporaryDir mount;
    // Its listings answer long after the interrupt, and soon enough to leave nothing behind for long.
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse"))
        || QProcess::execute(QStringLiteral(SCRIVLIST_SLOWFS),
                             {source.path(), mount.path(), QStringLiteral("--list-latency-ms"), QStringLiteral("5000")})
               != 0) {
        QTest::qSkip("the share stand-in cannot mount here (it needs /dev/fuse and fusermount3)", __FILE__, __LINE__);
        return;
    }
    const auto unmount = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), mount.path()});
    });
    QTRY_COMPARE(QStorageInfo(mount.path()).rootPath(), mount.path());
    Program program;
    program.process.setArguments({QStringLiteral("--list"), QStringLiteral("txt"), mount.path()});
    program.process.start();
    QVERIFY(program.process.waitForStarted());
    // The listing of the mount is under way, in the kernel, in a thread that no signal ends.
    QTest::qWait(500);
    QCOMPARE(program.process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(program.process.processId()), SIGINT);
    QVERIFY(program.process.waitForFinished(2000));
    QCOMPARE(program.process.exitStatus(), QProcess::CrashExit);
#endif
}

QTEST_MAIN(tst_list)
#include "tst_list.moc"

#include "app/CommandLine.h"
#include "tests/support/FakeDesktop.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>
#include <thread>

Q_DECLARE_METATYPE(CommandLine::Action)

class tst_commandline : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void folderEntry_data();
    void folderEntry();
    void sortsFoldersFromTheRestInOrder();
    void notFoldersBoxFitsAnyNumber_data();
    void notFoldersBoxFitsAnyNumber();
};

void tst_commandline::parse_data()
{
    using A = CommandLine::Action;
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<A>("action");
    QTest::addColumn<QByteArrayList>("folders");
    QTest::addColumn<QList<int>>("toolkit");
    QTest::newRow("nothing") << QByteArrayList{} << A::OpenWindow << QByteArrayList{} << QList<int>{};
    QTest::newRow("folders keep their order")
        << QByteArrayList{"/b", "a", "/b"} << A::OpenWindow << QByteArrayList{"/b", "a", "/b"} << QList<int>{};
    QTest::newRow("help") << QByteArrayList{"--help"} << A::ShowHelp << QByteArrayList{} << QList<int>{};
    QTest::newRow("help after a folder") << QByteArrayList{"/a", "--help"} << A::ShowHelp << QByteArrayList{"/a"}
                                         << QList<int>{};
    QTest::newRow("version") << QByteArrayList{"--version"} << A::ShowVersion << QByteArrayList{} << QList<int>{};
    QTest::newRow("the first of help and a stranger decides")
        << QByteArrayList{"--help", "--bogus"} << A::ShowHelp << QByteArrayList{} << QList<int>{};
    QTest::newRow("a stranger before help refuses")
        << QByteArrayList{"--bogus", "--help"} << A::Refuse << QByteArrayList{} << QList<int>{};
    QTest::newRow("short help is not ours") << QByteArrayList{"-h"} << A::Refuse << QByteArrayList{} << QList<int>{};
    QTest::newRow("a dash name before -- refuses")
        << QByteArrayList{"/a", "-x"} << A::Refuse << QByteArrayList{"/a"} << QList<int>{};
    QTest::newRow("after -- options are folders")
        << QByteArrayList{"/a", "--", "-x", "--help", "-platform"} << A::OpenWindow
        << QByteArrayList{"/a", "-x", "--help", "-platform"} << QList<int>{};
    QTest::newRow("a second -- is a folder")
        << QByteArrayList{"--", "--"} << A::OpenWindow << QByteArrayList{"--"} << QList<int>{};
    QTest::newRow("a lone dash is a name")
        << QByteArrayList{"-"} << A::OpenWindow << QByteArrayList{"-"} << QList<int>{};
    QTest::newRow("a name that is not UTF-8 keeps its bytes")
        << QByteArrayList{"bad\377dir", "--", "-\xfe"} << A::OpenWindow << QByteArrayList{"bad\377dir", "-\xfe"}
        << QList<int>{};
    QTest::newRow("an empty argument is given on")
        << QByteArrayList{"", "/a"} << A::OpenWindow << QByteArrayList{"", "/a"} << QList<int>{};
    QTest::newRow("a stranger that is not UTF-8 refuses")
        << QByteArrayList{"--\xff"} << A::Refuse << QByteArrayList{} << QList<int>{};
    QTest::newRow("toolkit option with its value") << QByteArrayList{"/a", "-platform", "offscreen", "/b"}
                                                   << A::OpenWindow << QByteArrayList{"/a", "/b"} << QList<int>{1, 2};
    QTest::newRow("toolkit option with two dashes")
        << QByteArrayList{"--platform", "xcb"} << A::OpenWindow << QByteArrayList{} << QList<int>{0, 1};
    QTest::newRow("toolkit value that begins with a dash")
        << QByteArrayList{"-stylesheet", "-odd.qss", "/a"} << A::OpenWindow << QByteArrayList{"/a"} << QList<int>{0, 1};
    QTest::newRow("toolkit option joined to its value")
        << QByteArrayList{"-style=fusion", "/a"} << A::OpenWindow << QByteArrayList{"/a"} << QList<int>{0};
    QTest::newRow("toolkit flag") << QByteArrayList{"-reverse", "/a"} << A::OpenWindow << QByteArrayList{"/a"}
                                  << QList<int>{0};
    QTest::newRow("toolkit option without its value")
        << QByteArrayList{"/a", "-platform"} << A::Refuse << QByteArrayList{"/a"} << QList<int>{};
    QTest::newRow("list") << QByteArrayList{"--list", "x", "-0", "/a"} << A::List << QByteArrayList{} << QList<int>{};
    QTest::newRow("list, then help") << QByteArrayList{"--list", "x", "--help"} << A::ShowHelp << QByteArrayList{}
                                     << QList<int>{};
    QTest::newRow("list, with a bad option")
        << QByteArrayList{"--list", "x", "-platform", "xcb", "/a"} << A::Refuse << QByteArrayList{} << QList<int>{};
    QTest::newRow("list after a folder") << QByteArrayList{"/a", "--list", "x", "/b"} << A::Refuse
                                         << QByteArrayList{"/a"} << QList<int>{};
    QTest::newRow("a value joined where the toolkit takes none")
        << QByteArrayList{"-reverse=1"} << A::Refuse << QByteArrayList{} << QList<int>{};
}

void tst_commandline::parse()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QByteArrayList, folders);
    QFETCH(QList<int>, toolkit);
    const CommandLine command = parseCommandLine(arguments);
    QCOMPARE(command.action, action);
    if (action == CommandLine::Action::Refuse) {
        // One line on standard error, naming the program.
        QVERIFY(command.refusal.startsWith(QLatin1String("scrivlist: ")));
        QVERIFY(!command.refusal.contains(QLatin1Char('\n')));
        return;
    }
    QVERIFY(command.refusal.isEmpty());
    if (action == CommandLine::Action::OpenWindow) {
        QCOMPARE(command.folders, folders);
        QCOMPARE(command.toolkitArguments, toolkit);
    }
    // The rest of --list is its own parser's.
    if (action == CommandLine::Action::List)
        QCOMPARE(command.list.folders, arguments.mid(arguments.size() - 1));
}

void tst_commandline::folderEntry_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<QByteArray>("entry");
    QTest::newRow("absolute") << QByteArray("/srv/data") << QByteArray("/srv/data");
    QTest::newRow("relative") << QByteArray("photos") << QByteArray("/home/me/photos");
    QTest::newRow("the working folder") << QByteArray(".") << QByteArray("/home/me");
    QTest::newRow("up and across") << QByteArray("../you/./x") << QByteArray("/home/you/x");
    QTest::newRow("trailing separator") << QByteArray("photos/") << QByteArray("/home/me/photos");
    QTest::newRow("doubled separators") << QByteArray("/srv//data///x") << QByteArray("/srv/data/x");
    QTest::newRow("root") << QByteArray("/") << QByteArray("/");
    QTest::newRow("name beginning with a dash") << QByteArray("-x") << QByteArray("/home/me/-x");
    QTest::newRow("spaces and accents") << QByteArray("Mes Dossiers/été") << QByteArray("/home/me/Mes Dossiers/été");
    QTest::newRow("not UTF-8, as its bytes")
        << QByteArray("bad\377dir/./x\xc3") << QByteArray("/home/me/bad\377dir/x\xc3");
    QTest::newRow("empty: no folder") << QByteArray("") << QByteArray();
}

void tst_commandline::folderEntry()
{
    QFETCH(QByteArray, argument);
    QFETCH(QByteArray, entry);
    QCOMPARE(folderEntryFor(argument, "/home/me"), entry);
}

void tst_commandline::sortsFoldersFromTheRestInOrder()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QByteArray root = QFile::encodeName(scratch.path());
    for (const char* folder : {"one", "slow", "two", "bad\377dir"})
        QCOMPARE(::mkdir(QByteArray(root + '/' + folder).constData(), 0755), 0);
    QFile file(scratch.path() + QStringLiteral("/a file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(scratch.path() + QStringLiteral("/two"), scratch.path() + QStringLiteral("/link to two")));
    QVERIFY(QFile::link(scratch.path() + QStringLiteral("/missing"), scratch.path() + QStringLiteral("/broken link")));

    // A folder on a mount that does not answer in time counts as none; it
    // comes last, as every later path on a mount that hangs would too.
    const auto call = [](const QByteArray& path) {
        if (path.endsWith("/slow"))
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return statFindsFolder(path);
    };
    const StartFolders sorted = sortStartFolders(
        {"two", "a file", root + "/one/", "missing", "bad\377dir", "", "link to two", "broken link", "two", "slow"},
        root, std::chrono::milliseconds(100), call);
    QCOMPARE(sorted.entries, (QByteArrayList{root + "/two", root + "/one", root + "/bad\377dir", root + "/link to two",
                                             root + "/two"}));
    QCOMPARE(sorted.notFolders,
             (QByteArrayList{root + "/a file", root + "/missing", "", root + "/broken link", root + "/slow"}));
}

void tst_commandline::notFoldersBoxFitsAnyNumber_data()
{
    QTest::addColumn<QByteArrayList>("paths");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("details"); // empty: none
    QTest::newRow("two") << QByteArrayList{"/a", "/b c"} << "Not a folder: /a\n/b c"
                         << "";
    QTest::newRow("not UTF-8, as the folder list shows it")
        << QByteArrayList{"/bad\377dir"} << "Not a folder: /bad\uFFFDdir"
        << "";
    QTest::newRow("the empty argument") << QByteArrayList{"/a", ""} << "Not a folder: /a\n\"\" (an empty argument)"
                                        << "";
    QByteArrayList many;
    QStringList manyTexts;
    for (int path = 1; path <= 5000; ++path) {
        many << "/d/" + QByteArray::number(path);
        manyTexts << QString::fromLatin1(many.constLast());
    }
    QTest::newRow("5,000") << many
                           << "Not a folder: " + manyTexts.mid(0, 10).join('\n')
                                  + "\nand 4990 more, listed under Show Details"
                           << manyTexts.join('\n');
    // Two characters beyond the first plane where the middle is cut: each goes whole.
    const QByteArray folderSign("\xf0\x9f\x93\x81");
    const QByteArray longPath =
        "/" + QByteArray(58, 'x') + folderSign + QByteArray(82, 'x') + folderSign + QByteArray(59, 'x');
    QTest::newRow("a long path, its middle left out")
        << QByteArrayList{longPath} << "Not a folder: /" + QString(58, 'x') + QChar(0x2026) + QString(59, 'x')
        << QString::fromUtf8(longPath);
}

void tst_commandline::notFoldersBoxFitsAnyNumber()
{
    QFETCH(QByteArrayList, paths);
    QFETCH(QString, text);
    QFETCH(QString, details);
    FakeDesktop desktop;
    desktop.expectMessage(text);

    reportNotFolders(desktop, paths);

    QCOMPARE(desktop.shown().constLast().details, details);
}

QTEST_GUILESS_MAIN(tst_commandline)
#include "tst_commandline.moc"

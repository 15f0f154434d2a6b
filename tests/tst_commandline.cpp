#include "CommandLine.h"

#include <QDir>
#include <QFile>
#include <QtTest>

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
};

void tst_commandline::parse_data()
{
    using A = CommandLine::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<A>("action");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QList<int>>("toolkit");
    QTest::newRow("nothing") << QStringList{} << A::OpenWindow << QStringList{} << QList<int>{};
    QTest::newRow("folders keep their order")
        << QStringList{"/b", "a", "/b"} << A::OpenWindow << QStringList{"/b", "a", "/b"} << QList<int>{};
    QTest::newRow("help") << QStringList{"--help"} << A::ShowHelp << QStringList{} << QList<int>{};
    QTest::newRow("help after a folder") << QStringList{"/a", "--help"} << A::ShowHelp << QStringList{"/a"}
                                         << QList<int>{};
    QTest::newRow("version") << QStringList{"--version"} << A::ShowVersion << QStringList{} << QList<int>{};
    QTest::newRow("the first of help and a stranger decides")
        << QStringList{"--help", "--bogus"} << A::ShowHelp << QStringList{} << QList<int>{};
    QTest::newRow("a stranger before help refuses")
        << QStringList{"--bogus", "--help"} << A::Refuse << QStringList{} << QList<int>{};
    QTest::newRow("short help is not ours") << QStringList{"-h"} << A::Refuse << QStringList{} << QList<int>{};
    QTest::newRow("a dash name before -- refuses")
        << QStringList{"/a", "-x"} << A::Refuse << QStringList{"/a"} << QList<int>{};
    QTest::newRow("after -- options are folders")
        << QStringList{"/a", "--", "-x", "--help", "-platform"} << A::OpenWindow
        << QStringList{"/a", "-x", "--help", "-platform"} << QList<int>{};
    QTest::newRow("a second -- is a folder")
        << QStringList{"--", "--"} << A::OpenWindow << QStringList{"--"} << QList<int>{};
    QTest::newRow("a lone dash is a name") << QStringList{"-"} << A::OpenWindow << QStringList{"-"} << QList<int>{};
    QTest::newRow("toolkit option with its value") << QStringList{"/a", "-platform", "offscreen", "/b"} << A::OpenWindow
                                                   << QStringList{"/a", "/b"} << QList<int>{1, 2};
    QTest::newRow("toolkit option with two dashes")
        << QStringList{"--platform", "xcb"} << A::OpenWindow << QStringList{} << QList<int>{0, 1};
    QTest::newRow("toolkit value that begins with a dash")
        << QStringList{"-stylesheet", "-odd.qss", "/a"} << A::OpenWindow << QStringList{"/a"} << QList<int>{0, 1};
    QTest::newRow("toolkit option joined to its value")
        << QStringList{"-style=fusion", "/a"} << A::OpenWindow << QStringList{"/a"} << QList<int>{0};
    QTest::newRow("toolkit flag") << QStringList{"-reverse", "/a"} << A::OpenWindow << QStringList{"/a"}
                                  << QList<int>{0};
    QTest::newRow("toolkit option without its value")
        << QStringList{"/a", "-platform"} << A::Refuse << QStringList{"/a"} << QList<int>{};
    QTest::newRow("a value joined where the toolkit takes none")
        << QStringList{"-reverse=1"} << A::Refuse << QStringList{} << QList<int>{};
}

void tst_commandline::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QStringList, folders);
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
}

void tst_commandline::folderEntry_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("entry");
    QTest::newRow("absolute") << "/srv/data"
                              << "/srv/data";
    QTest::newRow("relative") << "photos"
                              << "/home/me/photos";
    QTest::newRow("the working folder") << "."
                                        << "/home/me";
    QTest::newRow("up and across") << "../you/./x"
                                   << "/home/you/x";
    QTest::newRow("trailing separator") << "photos/"
                                        << "/home/me/photos";
    QTest::newRow("doubled separators") << "/srv//data///x"
                                        << "/srv/data/x";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("name beginning with a dash") << "-x"
                                                << "/home/me/-x";
    QTest::newRow("spaces and accents") << "Mes Dossiers/été"
                                        << "/home/me/Mes Dossiers/été";
}

void tst_commandline::folderEntry()
{
    QFETCH(QString, argument);
    QFETCH(QString, entry);
    QCOMPARE(folderEntryFor(argument, QStringLiteral("/home/me")), entry);
}

void tst_commandline::sortsFoldersFromTheRestInOrder()
{
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString root = scratch.path();
    QVERIFY(QDir(root).mkpath(QStringLiteral("one")));
    QVERIFY(QDir(root).mkpath(QStringLiteral("slow")));
    QVERIFY(QDir(root).mkpath(QStringLiteral("two")));
    QFile file(root + QStringLiteral("/a file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(root + QStringLiteral("/two"), root + QStringLiteral("/link to two")));
    QVERIFY(QFile::link(root + QStringLiteral("/missing"), root + QStringLiteral("/broken link")));

    // A folder on a mount that does not answer in time counts as none; it
    // comes last, as every later path on a mount that hangs would too.
    const auto call = [](const QByteArray& path) {
        if (path.endsWith("/slow"))
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return statFindsFolder(path);
    };
    const StartFolders sorted =
        sortStartFolders({"two", "a file", root + "/one/", "missing", "link to two", "broken link", "two", "slow"},
                         root, std::chrono::milliseconds(100), call);
    QCOMPARE(sorted.entries, (QStringList{root + "/two", root + "/one", root + "/link to two", root + "/two"}));
    QCOMPARE(sorted.notFolders,
             (QStringList{root + "/a file", root + "/missing", root + "/broken link", root + "/slow"}));
    QCOMPARE(notFoldersMessage({"/a", "/b c"}), QStringLiteral("Not a folder: /a\n/b c"));
}

QTEST_GUILESS_MAIN(tst_commandline)
#include "tst_commandline.moc"

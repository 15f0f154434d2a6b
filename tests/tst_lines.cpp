#include "search/FolderFeed.h"
#include "search/FolderLines.h"
#include "tests/support/PhraseCases.h"
#include "tests/support/ScriptedReader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The lines a walk gives: their forms, the folder path they report, which
// file names the phrase matches, and which folders it reads.
class tst_lines : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void resultForms_data();
    void resultForms();
    void linesOfAFolder_data();
    void linesOfAFolder();
    void reportedFolderPath_data();
    void reportedFolderPath();
    void phraseMatching_data();
    void phraseMatching();
    void starsInThePhrase_data();
    void starsInThePhrase();
    void subfolderOption_data();
    void subfolderOption();
    void unreadableFoldersAreSkippedAndReported_data();
    void unreadableFoldersAreSkippedAndReported();
    void linksAreFilesAndNeverFollowed();

private:
    QString tree(const QString& name) const { return tree_.filePath(name); }

    QTemporaryDir tree_;
};

void tst_lines::initTestCase()
{
    QVERIFY(tree_.isValid());
    makeTree(tree(QStringLiteral("forms")), {"sub/Sample1.txt", "sub/other.doc"});
    // The folder's name holds the phrases; only file names are matched.
    makeTree(tree(QStringLiteral("stars")), {"Sample1.txt", "EXAMPLE1.TXT", "notes.txt.bak", "a.txtfile", "a,b.doc",
                                             "xa,by", "ab.doc", "with space .txt", "x.txt,.doc", ".txt,.doc/z.bin"});
    makeTree(tree(QStringLiteral("option")), {"a.txt", "sub/b.txt", "locked/c.txt"});
    makeTree(tree(QStringLiteral("unreadable")), {"a.txt", "x/b.txt", "x/bad/c.txt", "x/ok/d.txt", "y/e.txt"});
}

void tst_lines::resultForms_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("expected"); // below the walked folder, as %1
    QTest::newRow("Path and Filename") << 1 << QStringList{"%1/sub/Sample1.txt"};
    QTest::newRow("Just Filename") << 2 << QStringList{"Sample1.txt"};
    QTest::newRow("Just Path") << 3 << QStringList{"%1/sub"};
    QTest::newRow("Just Subfolder") << 4 << QStringList{"sub"};
    QTest::newRow("none selected") << 0 << QStringList{};
}

void tst_lines::resultForms()
{
    QFETCH(int, option);
    QFETCH(QStringList, expected);
    Harness harness;
    harness.option = static_cast<ResultForm>(option);
    harness.phraseBox = QStringLiteral("ple1.t");
    harness.search(tree(QStringLiteral("forms")));
    expected.replaceInStrings(QStringLiteral("%1"), tree(QStringLiteral("forms")));
    QCOMPARE(harness.sortedLines(), expected);
}

void tst_lines::linesOfAFolder_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("line"); // for the file a.txt
    QTest::newRow("root, Path and Filename") << QByteArray("/") << 1 << QByteArray("/a.txt");
    QTest::newRow("root, Just Filename") << QByteArray("/") << 2 << QByteArray("a.txt");
    QTest::newRow("root, Just Path") << QByteArray("/") << 3 << QByteArray("/");
    QTest::newRow("root, Just Subfolder") << QByteArray("/") << 4 << QByteArray("");
    QTest::newRow("folder, Path and Filename") << QByteArray("/srv/data") << 1 << QByteArray("/srv/data/a.txt");
    QTest::newRow("folder, Just Subfolder") << QByteArray("/srv/data") << 4 << QByteArray("data");
    // As one pass over the whole path would collapse it: pairs, from the left.
    QTest::newRow("runs, Path and Filename") << QByteArray("/srv///data/") << 1 << QByteArray("/srv//data/a.txt");
    QTest::newRow("runs, Just Path") << QByteArray("/srv///data/") << 3 << QByteArray("/srv///data/");
    QTest::newRow("runs, Just Subfolder") << QByteArray("/srv///data/") << 4 << QByteArray("data");
}

void tst_lines::linesOfAFolder()
{
    QFETCH(QByteArray, folder);
    QFETCH(int, form);
    QFETCH(QByteArray, line);
    FolderLines lines(folder);
    for (int file = 0; file < 2; ++file) { // the second line reuses what the first worked out
        const auto made = lines.line(static_cast<ResultForm>(form), "a.txt");
        if (!made)
            QFAIL("no line made");
        QCOMPARE(made->head.toByteArray() + made->name.toByteArray(), line);
    }
    QVERIFY(!lines.line(ResultForm::None, "a.txt"));
}

void tst_lines::reportedFolderPath_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("reported");
    QTest::newRow("root") << QByteArray("/") << QByteArray("/");
    QTest::newRow("trailing separator") << QByteArray("/srv/data/") << QByteArray("/srv/data");
    QTest::newRow("program in the root") << QByteArray("//Samples") << QByteArray("/Samples");
    QTest::newRow("runs of separators") << QByteArray("/a//b///c") << QByteArray("/a/b/c");
}

void tst_lines::reportedFolderPath()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, reported);
    QCOMPARE(::reportedFolderPath(folder), reported);
}

void tst_lines::phraseMatching_data()
{
    addPhraseRows();
}

// One file, in a folder named by the phrase itself, so a walk that matched
// the path would list it whatever its name.
void tst_lines::phraseMatching()
{
    QFETCH(QString, phrase);
    QFETCH(QByteArray, text);
    QFETCH(bool, matches);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/' + phrase.toUtf8();
    const QByteArray path = folder + '/' + text;
    // Made and removed by bytes: Qt cannot remove a name it cannot decode.
    struct Cleanup {
        QByteArray path;
        ~Cleanup() { ::unlink(path.constData()); }
    } cleanup{path};
    QCOMPARE(::mkdir(folder.constData(), 0755), 0);
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.phraseBox = phrase;
    harness.search(dir.path());
    // A name that is not UTF-8 keeps its bytes, and shows with a stand-in.
    QCOMPARE(harness.lines(), matches ? QByteArrayList{path} : QByteArrayList{});
    if (matches)
        QCOMPARE(harness.results.lineText(0), QString::fromUtf8(path));
}

void tst_lines::starsInThePhrase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("stars removed, one phrase") << "*.txt,*.doc" << QStringList{"x.txt,.doc"};
    QTest::newRow("only stars match every file")
        << "**" << QStringList{"EXAMPLE1.TXT",  "Sample1.txt",     "a,b.doc",    "a.txtfile", "ab.doc",
                               "notes.txt.bak", "with space .txt", "x.txt,.doc", "xa,by",     "z.bin"};
}

void tst_lines::starsInThePhrase()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    Harness harness;
    harness.phraseBox = typed;
    harness.search(tree(QStringLiteral("stars")));
    QCOMPARE(harness.sortedLines(), expected);
}

void tst_lines::subfolderOption_data()
{
    QTest::addColumn<int>("check5");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("reported");
    // Unticked, folders below are not even opened, so the unreadable one goes unnoticed.
    QTest::newRow("unticked") << 0 << QStringList{"a.txt"} << false;
    QTest::newRow("ticked") << 1 << QStringList{"a.txt", "b.txt"} << true;
    QTest::newRow("greyed") << 2 << QStringList{"a.txt", "b.txt"} << true;
}

void tst_lines::subfolderOption()
{
    QFETCH(int, check5);
    QFETCH(QStringList, expected);
    QFETCH(bool, reported);
    Harness harness;
    harness.check5 = check5;
    harness.reader->failures.insert(QFile::encodeName(tree(QStringLiteral("option/locked"))), EACCES);
    if (reported)
        harness.desktop.expectError();
    harness.search(tree(QStringLiteral("option")));
    QCOMPARE(harness.sortedLines(), expected);
}

void tst_lines::unreadableFoldersAreSkippedAndReported_data()
{
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<int>("error");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("report"); // a pattern; %1 stands for the walked folder
    const QStringList all{"a.txt", "x/b.txt", "x/ok/d.txt", "y/e.txt"};
    QTest::newRow("one deep in the tree") << QStringList{"x/bad"} << EACCES << all << "^Permission denied: %1/x/bad$";
    QTest::newRow("vanished while walked")
        << QStringList{"x/ok"} << ENOENT << QStringList{"a.txt", "x/b.txt", "x/bad/c.txt", "y/e.txt"}
        << "^No such file or directory: %1/x/ok$";
    QTest::newRow("two counted in one box")
        << QStringList{"x/bad", "y"} << EACCES << QStringList{"a.txt", "x/b.txt", "x/ok/d.txt"}
        << "^Permission denied: %1/(x/bad|y) \\(and 1 more folder could not be read\\)$";
    QTest::newRow("the entry itself") << QStringList{""} << EACCES << QStringList{} << "^Permission denied: %1$";
}

void tst_lines::unreadableFoldersAreSkippedAndReported()
{
    QFETCH(QStringList, failing);
    QFETCH(int, error);
    QFETCH(QStringList, expected);
    QFETCH(QString, report);
    const QString root = tree(QStringLiteral("unreadable"));
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    for (const QString& folder : failing)
        harness.reader->failures.insert(QFile::encodeName(QDir::cleanPath(root + '/' + folder)), error);
    harness.desktop.expectError();
    harness.search(root);
    for (QString& line : expected)
        line.prepend(root + QLatin1Char('/'));
    QCOMPARE(harness.sortedLines(), expected);

    const QString shown = harness.desktop.shownTexts(FakeDesktop::Kind::Error).value(0);
    const QStringList parts = shown.split(QStringLiteral("\r\n"));
    const QRegularExpression pattern(report.arg(QRegularExpression::escape(root)));
    QVERIFY2(pattern.match(parts.first()).hasMatch(), qPrintable(shown));
    QCOMPARE(shown, trapText(parts.first(), 132));
}

void tst_lines::linksAreFilesAndNeverFollowed()
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/root");
    makeTree(root, {"a.txt", "sub/b.txt"});
    QVERIFY(QFile::link(root, root + QStringLiteral("/loop")));
    QVERIFY(QFile::link(QStringLiteral(".."), root + QStringLiteral("/sub/back")));
    QVERIFY(QFile::link(root + QStringLiteral("/a.txt"), root + QStringLiteral("/to-file")));
    QVERIFY(QFile::link(root + QStringLiteral("/nowhere"), root + QStringLiteral("/broken")));
    // The entry itself may be a link; it is followed.
    const QString entry = dir.path() + QStringLiteral("/entry");
    QVERIFY(QFile::link(root, entry));
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.search(entry);
    const QString at = entry + QLatin1Char('/');
    QCOMPARE(harness.sortedLines(), QStringList({at + "a.txt", at + "broken", at + "loop", at + "sub/b.txt",
                                                 at + "sub/back", at + "to-file"}));
}

QTEST_GUILESS_MAIN(tst_lines)
#include "tst_lines.moc"

#include "tests/support/SearchHarness.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>
#include <tuple>

namespace {

// A run over a folder of `files` empty files named 1.txt, 2.txt, ...
struct SearchFixture : SearchHarness<PosixFolderReader> {
    explicit SearchFixture(int files = 0)
    {
        // As the window's load leaves it.
        folders.setHeaderText(QStringLiteral("Folder(s)"));
        makeTree(folder.path(), numberedFiles(files));
    }

    qsizetype lineCount() const { return results.lineCount(); }

    // Start Searching over the given entries with the given phrase.
    void start(const QStringList& entries, const QString& phrase)
    {
        for (const QString& entry : entries)
            folders.append(entry);
        phraseBox = phrase;
        click();
    }

    QTemporaryDir folder;
};

} // namespace

class tst_search : public QObject {
    Q_OBJECT
private slots:
    void closingMessage_data();
    void closingMessage();
    void secondRunAppendsAfterTheFirst();
    void unusableEntryIsReportedAt130AndSkipped_data();
    void unusableEntryIsReportedAt130AndSkipped();
    void samplesLieBesideTheProgram();
    void actionDuringARun_data();
    void actionDuringARun();
};

void tst_search::closingMessage_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("captionWhileShown");
    QTest::addColumn<PointerState>("pointerWhileShown");
    QTest::addColumn<PointerState>("pointerAfter");
    QTest::addColumn<int>("lines");
    // The pointer starts as the arrow, so "untouched" can be told from "reset".
    QTest::newRow("spaces only") << "   " << true << "Input search for what phrase"
                                 << "Start Searching" << PointerState::Arrow << PointerState::Arrow << 0;
    QTest::newRow("empty phrase box") << "" << true << "Input search for what phrase"
                                      << "Start Searching" << PointerState::Arrow << PointerState::Arrow << 0;
    QTest::newRow("empty folder list") << "*" << false << "No folders added."
                                       << "Stop" << PointerState::Busy << PointerState::Default << 0;
    QTest::newRow("a run") << "*" << true << "Done."
                           << "Stop" << PointerState::Busy << PointerState::Default << 3;
}

void tst_search::closingMessage()
{
    QFETCH(QString, phrase);
    QFETCH(bool, withFolder);
    QFETCH(QString, message);
    QFETCH(QString, captionWhileShown);
    QFETCH(PointerState, pointerWhileShown);
    QFETCH(PointerState, pointerAfter);
    QFETCH(int, lines);
    SearchFixture search(3);
    search.pointer = PointerState::Arrow;
    search.desktop.expectMessage(message, [&] {
        QCOMPARE(search.caption, captionWhileShown);
        QCOMPARE(search.pointer, pointerWhileShown);
        QCOMPARE(search.folders.headerText(), QStringLiteral("Folder(s)"));
        // Every line is in the view before the run says it is done.
        QCOMPARE(search.results.rowCount(), lines);
    });
    search.start(withFolder ? QStringList{search.folder.path()} : QStringList{}, phrase);
    QCOMPARE(search.caption, QStringLiteral("Start Searching"));
    QCOMPARE(search.pointer, pointerAfter);
    QCOMPARE(search.lineCount(), lines);
}

void tst_search::secondRunAppendsAfterTheFirst()
{
    SearchFixture search(4);
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path()}, QStringLiteral(".TXT"));
    search.click();
    ResultModel& results = search.results;
    QCOMPARE(results.lineCount(), 8);
    for (qsizetype line = 0; line < 4; ++line)
        QCOMPARE(results.lineText(line + 4), results.lineText(line));
}

void tst_search::unusableEntryIsReportedAt130AndSkipped_data()
{
    QTest::addColumn<QString>("entry"); // below the temporary folder
    QTest::addColumn<QString>("description");
    QTest::newRow("deleted folder") << "gone"
                                    << "No such file or directory";
    QTest::newRow("a file") << "1.txt"
                            << "Not a directory";
}

void tst_search::unusableEntryIsReportedAt130AndSkipped()
{
    QFETCH(QString, entry);
    QFETCH(QString, description);
    SearchFixture search(2);
    const QString path = search.folder.filePath(entry);
    search.desktop.expectError(trapText(description + QStringLiteral(": ") + path, 130));
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({path, search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(search.lineCount(), 2);
}

void tst_search::samplesLieBesideTheProgram()
{
    // The demonstration search over the samples the build placed beside the program.
    SearchFixture search;
    search.option = ResultForm::JustFilename;
    search.phraseBox = QStringLiteral("ple1.t");
    search.search(QStringLiteral(SCRIVLIST_BUILT_SAMPLES));
    const QStringList found = search.sortedLines();
    QCOMPARE(found, QStringList({"Example1.txt", "Sample1.txt", "Triple1.txt"}));
    int files = 0;
    for (QDirIterator it(QStringLiteral(SCRIVLIST_BUILT_SAMPLES), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++files;
    QVERIFY(files > found.size());
}

// What is done inside a yield of a run, and when.
enum class During { Stop, StopThenStart, RemoveTheSecondEntry, ClearResults, ChangePhraseAndForm };

void tst_search::actionDuringARun_data()
{
    QTest::addColumn<int>("during");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("entries"); // the one folder, listed this often
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<int>("atLines"); // the action runs in yields with this many lines
    QTest::addColumn<int>("times");   // in this many of them
    // Right after the action first ran.
    QTest::addColumn<QString>("captionAfter");
    QTest::addColumn<PointerState>("pointerAfter");
    QTest::addColumn<int>("linesAfter");
    // The boxes of the run, and its end.
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QList<int>>("linesAtDone"); // one "Done." each, with the lines then
    QTest::addColumn<QStringList>("lines");      // patterns; %1 is the folder
    QTest::addColumn<int>("entriesLeft");
    const QString any = QStringLiteral("\\d+\\.txt");
    const PointerState busy = PointerState::Busy;
    QTest::newRow("Stop") << int(During::Stop) << numberedFiles(20) << 2 << "*" << 2 << 1 << "Start Searching" << busy
                          << 2 << QStringList{} << QList<int>{2} << QStringList(2, any) << 2;
    // Start again before the stopped run has wound down: the nested run walks
    // both entries in full, the stopped one leaves its loop after it.
    QTest::newRow("Stop, then Start again")
        << int(During::StopThenStart) << numberedFiles(20) << 2 << "*" << 2 << 2 << "Start Searching" << busy << 2
        << QStringList{} << QList<int>{42, 42} << QStringList(42, any) << 2;
    QTest::newRow("the second entry removed, at line 128")
        << int(During::RemoveTheSecondEntry) << numberedFiles(1) << 2 << "*" << 0 << 1 << "Stop" << busy << 0
        << QStringList{trapText(QStringLiteral("Index out of bounds"), 128)} << QList<int>{1} << QStringList(1, any)
        << 1;
    // The walk goes on appending to the emptied list.
    QTest::newRow("Clear Results") << int(During::ClearResults) << numberedFiles(10) << 1 << "*" << 3 << 1 << "Stop"
                                   << busy << 0 << QStringList{} << QList<int>{7} << QStringList(7, any) << 1;
    // The phrase is read for each entry and the result form for each matching
    // file: the first entry goes on with "a", its second match already in the new form.
    QTest::newRow("phrase and form changed")
        << int(During::ChangePhraseAndForm) << QStringList{"a1.txt", "a2.txt", "b1.doc"} << 2 << "a" << 1 << 1 << "Stop"
        << busy << 1 << QStringList{} << QList<int>{3} << QStringList{"a\\d\\.txt", "%1/a\\d\\.txt", "%1/b1\\.doc"}
        << 2;
}

void tst_search::actionDuringARun()
{
    QFETCH(int, during);
    QFETCH(QStringList, files);
    QFETCH(int, entries);
    QFETCH(QString, phrase);
    QFETCH(int, atLines);
    QFETCH(int, times);
    QFETCH(QString, captionAfter);
    QFETCH(PointerState, pointerAfter);
    QFETCH(int, linesAfter);
    QFETCH(QStringList, errors);
    QFETCH(QList<int>, linesAtDone);
    QFETCH(QStringList, lines);
    QFETCH(int, entriesLeft);
    SearchFixture search;
    makeTree(search.folder.path(), files);
    int ran = 0;
    std::optional<std::tuple<QString, PointerState, qsizetype>> after;
    search.desktop.onYield = [&](long long) {
        if (ran == times || search.lineCount() != atLines)
            return;
        ++ran;
        switch (During(during)) {
        case During::Stop:
        case During::StopThenStart:
            search.click();
            break;
        case During::RemoveTheSecondEntry:
            search.folders.removeEntry(1);
            break;
        case During::ClearResults:
            search.results.clear();
            break;
        case During::ChangePhraseAndForm:
            search.phraseBox = QStringLiteral(".doc");
            search.option = ResultForm::PathAndFilename;
            break;
        }
        if (!after)
            after.emplace(search.caption, search.pointer, search.lineCount());
    };
    for (const QString& error : errors)
        search.desktop.expectError(error);
    for (const int linesThen : linesAtDone)
        search.desktop.expectMessage(QStringLiteral("Done."),
                                     [&search, linesThen] { QCOMPARE(search.lineCount(), linesThen); });
    search.start(QStringList(entries, search.folder.path()), phrase);

    QCOMPARE(ran, times);
    QCOMPARE(after, std::make_optional(std::make_tuple(captionAfter, pointerAfter, qsizetype(linesAfter))));
    const QByteArrayList found = search.lines();
    QCOMPARE(found.size(), lines.size());
    for (qsizetype line = 0; line < found.size(); ++line) {
        const QRegularExpression pattern(
            QRegularExpression::anchoredPattern(lines.at(line).arg(QRegularExpression::escape(search.folder.path()))));
        QVERIFY2(pattern.match(QString::fromUtf8(found.at(line))).hasMatch(), found.at(line).constData());
    }
    QCOMPARE(search.results.rowCount(), found.size());
    QCOMPARE(search.folders.entryCount(), entriesLeft);
    QCOMPARE(search.folders.headerText(), QStringLiteral("Folder(s)"));
    QCOMPARE(search.caption, QStringLiteral("Start Searching"));
    QCOMPARE(search.pointer, PointerState::Default);
}

QTEST_MAIN(tst_search)
#include "tst_search.moc"

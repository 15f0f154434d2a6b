#include "SearchHarness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A run over a folder of `files` empty files named 1.txt, 2.txt, ...
struct SearchFixture : SearchHarness<PosixFolderReader> {
    explicit SearchFixture(int files = 0)
    {
        // As the window's load leaves it.
        folders.setHeaderText(QStringLiteral("Folder(s)"));
        for (int number = 1; number <= files; ++number)
            QFile(folder.filePath(QStringLiteral("%1.txt").arg(number))).open(QIODevice::WriteOnly);
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
    void stopNestedInAYield();
    void startNestedInAStoppedRun();
    void secondRunAppendsAfterTheFirst();
    void unusableEntryIsReportedAt130AndSkipped_data();
    void unusableEntryIsReportedAt130AndSkipped();
    void entryRemovedDuringTheRunIsReportedAt128();
    void clearResultsDuringASearch();
    void samplesLieBesideTheProgram();
    void phraseAndOptionChangedDuringARun();
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
    QVERIFY2(search.desktop.problems().isEmpty(), qPrintable(search.desktop.problems().join('\n')));
}

void tst_search::stopNestedInAYield()
{
    SearchFixture search(20);
    bool stopped = false;
    search.desktop.onYield = [&](long long) {
        if (!stopped && search.lineCount() == 2) {
            stopped = true;
            search.click();
            QCOMPARE(search.caption, QStringLiteral("Start Searching"));
            QCOMPARE(search.pointer, PointerState::Busy);
        }
    };
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(search.lineCount(), 2);
    QCOMPARE(search.folders.headerText(), QStringLiteral("Folder(s)"));
    QCOMPARE(search.pointer, PointerState::Default);
    QVERIFY(search.desktop.problems().isEmpty());
}

void tst_search::startNestedInAStoppedRun()
{
    SearchFixture search(20);
    int clicks = 0;
    search.desktop.onYield = [&](long long) {
        // Stop, then Start again before the stopped run has wound down.
        if (clicks < 2 && search.lineCount() == 2) {
            ++clicks;
            search.click();
        }
    };
    // The nested run walks both entries in full; the stopped one leaves its loop after it.
    search.desktop.expectMessage(QStringLiteral("Done."), [&] { QCOMPARE(search.lineCount(), 42); });
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(clicks, 2);
    QCOMPARE(search.lineCount(), 42);
    QCOMPARE(search.caption, QStringLiteral("Start Searching"));
    QCOMPARE(search.pointer, PointerState::Default);
    QVERIFY(search.desktop.problems().isEmpty());
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
    QVERIFY(search.desktop.problems().isEmpty());
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
    QVERIFY2(search.desktop.problems().isEmpty(), qPrintable(search.desktop.problems().join('\n')));
}

void tst_search::entryRemovedDuringTheRunIsReportedAt128()
{
    SearchFixture search(1);
    bool removed = false;
    search.desktop.onYield = [&](long long) {
        if (removed)
            return;
        removed = true;
        search.folders.removeEntry(1);
    };
    search.desktop.expectError(trapText(QStringLiteral("Index out of bounds"), 128));
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(search.folders.entryCount(), 1);
    QCOMPARE(search.lineCount(), 1);
    QVERIFY2(search.desktop.problems().isEmpty(), qPrintable(search.desktop.problems().join('\n')));
}

void tst_search::clearResultsDuringASearch()
{
    SearchFixture search(10);
    bool cleared = false;
    search.desktop.onYield = [&](long long) {
        if (!cleared && search.lineCount() == 3) {
            cleared = true;
            search.results.clear();
            QCOMPARE(search.lineCount(), 0);
        }
    };
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path()}, QStringLiteral("*"));
    // The walk goes on appending to the emptied list.
    QCOMPARE(search.lineCount(), 7);
    QCOMPARE(search.results.rowCount(), 7);
    QVERIFY(search.desktop.problems().isEmpty());
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
    QVERIFY(search.desktop.problems().isEmpty());
}

// The phrase is read for each entry and the result form for each matching
// file, so what is typed or picked during a run shows from there on.
void tst_search::phraseAndOptionChangedDuringARun()
{
    SearchFixture search;
    for (const char* name : {"a1.txt", "a2.txt", "b1.doc"})
        QFile(search.folder.filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
    search.option = ResultForm::JustFilename;
    bool changed = false;
    search.desktop.onYield = [&](long long) {
        if (!changed && search.lineCount() == 1) {
            changed = true;
            search.phraseBox = QStringLiteral(".doc");
            search.option = ResultForm::PathAndFilename;
        }
    };
    search.desktop.expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("a"));
    const QString path = search.folder.path() + QLatin1Char('/');
    QStringList lines;
    for (const QByteArray& line : search.lines())
        lines << QString::fromUtf8(line);
    // The first entry goes on with "a"; its second match already takes the new form.
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).front(), QLatin1Char('a'));
    QVERIFY(!lines.at(0).contains(QLatin1Char('/')));
    QVERIFY(lines.at(1).startsWith(path + QLatin1Char('a')));
    QCOMPARE(lines.at(2), path + QStringLiteral("b1.doc"));
    QVERIFY(search.desktop.problems().isEmpty());
}

QTEST_MAIN(tst_search)
#include "tst_search.moc"

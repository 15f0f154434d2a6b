#include "FormFixture.h"
#include "StepTrap.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

// A loaded window with a folder of `files` empty files named 1.txt, 2.txt, ...
struct SearchFixture {
    explicit SearchFixture(int files = 0)
    {
        fixture.form->Form_Load();
        for (int number = 1; number <= files; ++number)
            QFile(folder.filePath(QStringLiteral("%1.txt").arg(number))).open(QIODevice::WriteOnly);
    }

    Form1& form() { return *fixture.form; }
    FakeDesktop& desktop() { return fixture.desktop; }
    qsizetype lines() { return form().resultList().lineCount(); }
    QString caption() { return form().PushButton1->text(); }

    // Start Searching over the given entries with the given phrase.
    void start(const QStringList& entries, const QString& phrase)
    {
        for (const QString& entry : entries)
            form().folderList().append(entry);
        form().Text1->setText(phrase);
        form().PushButton1->click();
    }

    FormFixture fixture;
    QTemporaryDir folder;
};

QString trapText(const QString& description, int line)
{
    return StepTrap::composeText(description, handlerLocation("PushButton1_Click"), line);
}

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
};

void tst_search::closingMessage_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<bool>("withFolder");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("captionWhileShown");
    QTest::addColumn<int>("pointerWhileShown");
    QTest::addColumn<int>("pointerAfter");
    QTest::addColumn<int>("lines");
    // The pointer starts as the arrow, so "untouched" can be told from "reset".
    QTest::newRow("spaces only") << "   " << true << "Input search for what phrase"
                                 << "Start Searching" << int(PointerArrow) << int(PointerArrow) << 0;
    QTest::newRow("empty phrase box") << "" << true << "Input search for what phrase"
                                      << "Start Searching" << int(PointerArrow) << int(PointerArrow) << 0;
    QTest::newRow("empty folder list") << "*" << false << "No folders added."
                                       << "Stop" << int(PointerBusy) << int(PointerDefault) << 0;
    QTest::newRow("a run") << "*" << true << "Done."
                           << "Stop" << int(PointerBusy) << int(PointerDefault) << 3;
}

void tst_search::closingMessage()
{
    QFETCH(QString, phrase);
    QFETCH(bool, withFolder);
    QFETCH(QString, message);
    QFETCH(QString, captionWhileShown);
    QFETCH(int, pointerWhileShown);
    QFETCH(int, pointerAfter);
    QFETCH(int, lines);
    SearchFixture search(3);
    search.form().setPointerState(PointerArrow);
    search.desktop().expectMessage(message, [&] {
        QCOMPARE(search.caption(), captionWhileShown);
        QCOMPARE(search.form().pointerState(), pointerWhileShown);
        QCOMPARE(search.form().folderList().headerText(), QStringLiteral("Folder(s)"));
        // Every line is in the view before the run says it is done.
        QCOMPARE(search.form().ListView2->model()->rowCount(), lines);
    });
    search.start(withFolder ? QStringList{search.folder.path()} : QStringList{}, phrase);
    QCOMPARE(search.caption(), QStringLiteral("Start Searching"));
    QCOMPARE(search.form().pointerState(), pointerAfter);
    QCOMPARE(search.lines(), lines);
    QVERIFY2(search.desktop().problems().isEmpty(), qPrintable(search.desktop().problems().join('\n')));
}

void tst_search::stopNestedInAYield()
{
    SearchFixture search(20);
    bool stopped = false;
    search.desktop().onYield = [&](long long) {
        if (!stopped && search.lines() == 2) {
            stopped = true;
            search.form().PushButton1->click();
            QCOMPARE(search.caption(), QStringLiteral("Start Searching"));
            QCOMPARE(search.form().pointerState(), int(PointerBusy));
        }
    };
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(search.lines(), 2);
    QCOMPARE(search.form().folderList().headerText(), QStringLiteral("Folder(s)"));
    QCOMPARE(search.form().pointerState(), int(PointerDefault));
    QVERIFY(search.desktop().problems().isEmpty());
}

void tst_search::startNestedInAStoppedRun()
{
    SearchFixture search(20);
    int clicks = 0;
    search.desktop().onYield = [&](long long) {
        // Stop, then Start again before the stopped run has wound down.
        if (clicks < 2 && search.lines() == 2) {
            ++clicks;
            search.form().PushButton1->click();
        }
    };
    // The nested run walks both entries in full; the stopped one leaves its loop after it.
    search.desktop().expectMessage(QStringLiteral("Done."), [&] { QCOMPARE(search.lines(), 42); });
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(clicks, 2);
    QCOMPARE(search.lines(), 42);
    QCOMPARE(search.caption(), QStringLiteral("Start Searching"));
    QCOMPARE(search.form().pointerState(), int(PointerDefault));
    QVERIFY(search.desktop().problems().isEmpty());
}

void tst_search::secondRunAppendsAfterTheFirst()
{
    SearchFixture search(4);
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path()}, QStringLiteral(".TXT"));
    search.form().PushButton1->click();
    ResultModel& results = search.form().resultList();
    QCOMPARE(results.lineCount(), 8);
    for (qsizetype line = 0; line < 4; ++line)
        QCOMPARE(results.lineText(line + 4), results.lineText(line));
    QVERIFY(search.desktop().problems().isEmpty());
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
    search.desktop().expectError(trapText(description + QStringLiteral(": ") + path, 130));
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.start({path, search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(search.lines(), 2);
    QVERIFY2(search.desktop().problems().isEmpty(), qPrintable(search.desktop().problems().join('\n')));
}

void tst_search::entryRemovedDuringTheRunIsReportedAt128()
{
    SearchFixture search(1);
    bool removed = false;
    search.desktop().onYield = [&](long long) {
        if (removed)
            return;
        removed = true;
        // A hover has replaced the busy pointer, so the removal is let through.
        search.form().setPointerState(PointerDefault);
        QTableView* list = search.form().ListView1;
        list->selectRow(1);
        search.form().ListView1_DblClick();
    };
    search.desktop().expectError(trapText(QStringLiteral("Index out of bounds"), 128));
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path(), search.folder.path()}, QStringLiteral("*"));
    QCOMPARE(search.form().folderList().entryCount(), 1);
    QCOMPARE(search.lines(), 1);
    QVERIFY2(search.desktop().problems().isEmpty(), qPrintable(search.desktop().problems().join('\n')));
}

void tst_search::clearResultsDuringASearch()
{
    SearchFixture search(10);
    bool cleared = false;
    search.desktop().onYield = [&](long long) {
        if (!cleared && search.lines() == 3) {
            cleared = true;
            search.form().PushButton6->click();
            QCOMPARE(search.lines(), 0);
        }
    };
    search.desktop().expectMessage(QStringLiteral("Done."));
    search.start({search.folder.path()}, QStringLiteral("*"));
    // The walk goes on appending to the emptied list.
    QCOMPARE(search.lines(), 7);
    QCOMPARE(search.form().ListView2->model()->rowCount(), 7);
    QVERIFY(search.desktop().problems().isEmpty());
}

QTEST_MAIN(tst_search)
#include "tst_search.moc"

#include "io/IoQueue.h"
#include "results/ContainingFolder.h"
#include "results/FileHandover.h"
#include "results/ResultExport.h"
#include "tests/support/FolderHarness.h"
#include "tests/support/Hangs.h"
#include "tests/support/ScriptedReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Paths below /dead lie on a file system of their own whose calls hang until the gate opens.
struct DeadMount {
    ~DeadMount() { gate->release(); }

    LookupOptions lookup(LookupOptions healthy) const
    {
        healthy.call = [gate = gate, call = healthy.call](const QByteArray& path) {
            if (path.startsWith("/dead/"))
                gate->wait();
            return call(path);
        };
        healthy.patience = std::chrono::milliseconds(30);
        return healthy;
    }

    QueueSettings mounts{[](IoQueue::Settings&) {}, {"/dead"}};
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
};

int threadsOfThisProcess()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

const QString Location = QStringLiteral("in Tests.Handler ");

} // namespace

class tst_threads : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void shareAfterStop_data();
    void shareAfterStop();
    void threadBoundsAcrossRepeatedStopAndStart();
    void saveCheckThatDoesNotAnswerWritesNothing();
    void dragDecidesFromUrlsAlone_data();
    void dragDecidesFromUrlsAlone();
    void dropOverADeadMountAddsTheRest();
    void menuOpensBeforeItsLookupAnswers();
};

void tst_threads::cleanup()
{
    // Every test releases its hangs; no call of it may stay under way.
    QTRY_COMPARE(IoQueue::instance().callsUnderWay(), 0);
}

void tst_threads::shareAfterStop_data()
{
    // Folders are relative to a fresh temporary folder, %1 in the texts.
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("link");      // "name -> text", made in the tree
    QTest::addColumn<QString>("fakeMount"); // a file system of its own
    QTest::addColumn<QString>("slow");      // each listing below it takes 300 ms, a fifth of the time-out
    QTest::addColumn<QString>("hung");      // its listing never answers until the end
    QTest::addColumn<QString>("stopped");   // searched first, and stopped while a listing is under way
    QTest::addColumn<QString>("searched");  // then searched to the end
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("box");
    const QStringList share{"share/0.txt", "share/a/1.txt", "share/b/2.txt", "share/c/3.txt", "share/d/4.txt"};
    QTest::newRow("a slow share after Stop lists everything")
        << share << QString() << QString() << "share" << QString() << "share"
        << "share" << QStringList{"0.txt", "1.txt", "2.txt", "3.txt", "4.txt"} << QString();
    QTest::newRow("a dead share is reported after the time-out, and the walk goes on")
        << QStringList{"a1.txt", "hung/b1.txt", "z/c1.txt"} << QString() << "hung" << QString() << "hung" << QString()
        << QString(".") << QStringList{"a1.txt", "c1.txt"} << "Connection timed out: %1/hung";
    QTest::newRow("a link into a hung share blames the share: the home disk still answers")
        << QStringList{"home/local/l1.txt", "mnt/nas/n1.txt"} << "home/nas -> ../mnt/nas"
        << "mnt/nas" << QString() << "home/nas"
        << "home/nas"
        << "home/local" << QStringList{"l1.txt"} << QString();
}

void tst_threads::shareAfterStop()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, link);
    QFETCH(QString, fakeMount);
    QFETCH(QString, slow);
    QFETCH(QString, hung);
    QFETCH(QString, stopped);
    QFETCH(QString, searched);
    QFETCH(QStringList, lines);
    QFETCH(QString, box);
    QTemporaryDir dir;
    makeTree(dir.path(), tree);
    auto gate = std::make_shared<Gate>();
    const auto release = qScopeGuard([&] { gate->release(); });
    if (!link.isEmpty())
        QVERIFY(QFile::link(link.section(QStringLiteral(" -> "), 1),
                            dir.filePath(link.section(QStringLiteral(" -> "), 0, 0))));
    const QByteArray root = QFile::encodeName(dir.path());
    const QueueSettings settings(
        [](IoQueue::Settings& queue) {
            queue.timeOut = std::chrono::milliseconds(1500);
            queue.callsPerFileSystem = 2;
        },
        fakeMount.isEmpty() ? QByteArrayList{} : QByteArrayList{root + '/' + QFile::encodeName(fakeMount)});
    const auto script = [&](ScriptedReader& reader) {
        reader.gate = gate;
        if (!hung.isEmpty())
            reader.hangAt = root + '/' + QFile::encodeName(hung);
        if (!slow.isEmpty())
            reader.slowBelow = root + '/' + QFile::encodeName(slow);
        reader.slowFor = std::chrono::milliseconds(300);
    };
    if (!stopped.isEmpty()) {
        Harness first;
        script(*first.reader);
        first.desktop.onYield = [&](long long) {
            if ((first.reader->hanging || first.reader->readPaths().size() > 1) && first.caption == "Stop")
                first.click();
        };
        first.search(dir.filePath(stopped));
    }
    // Once the hung share is taken for dead, it is the share that does not answer, nothing else.
    if (!hung.isEmpty() && !stopped.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(IoQueue::instance().threadsStuck(), 1, 10000);
    Harness harness;
    script(*harness.reader);
    if (!box.isEmpty())
        harness.desktop.expectError(trapText(QString(box).arg(dir.path()), 132));
    QElapsedTimer clock;
    clock.start();
    harness.search(QDir::cleanPath(dir.filePath(searched)));
    QCOMPARE(harness.sortedLines(), lines);
    // A slow share is never taken for dead; a dead one only after the time-out.
    QVERIFY(box.isEmpty() || clock.elapsed() >= 1500);
}

// Five searches stopped over a listing that hangs and ten openings of the result list's menu over a lookup that
// hangs cost no more than a lane's calls on each of the two file systems, and every thread ends once released.
void tst_threads::threadBoundsAcrossRepeatedStopAndStart()
{
    QTemporaryDir dir;
    makeTree(dir.path(), {"a1.txt", "hung/b1.txt"});
    const QByteArray hung = QFile::encodeName(dir.filePath(QStringLiteral("hung")));
    const QueueSettings settings([](IoQueue::Settings& queue) { queue.callsPerFileSystem = 2; }, {hung});
    // Idle threads of the tests before end first.
    QTRY_COMPARE(IoQueue::instance().threadsAlive(), 0);
    const int before = threadsOfThisProcess();
    auto gate = std::make_shared<Gate>();
    const auto release = qScopeGuard([&] { gate->release(); });
    for (int search = 0; search < 5; ++search) {
        Harness harness;
        harness.reader->hangAt = hung;
        harness.reader->gate = gate;
        QElapsedTimer searching;
        searching.start();
        harness.desktop.onYield = [&](long long) {
            if (searching.elapsed() >= 200 && harness.caption == QLatin1String("Stop"))
                harness.click();
        };
        harness.search(dir.path());
        QCOMPARE(harness.sortedLines(), QStringList{"a1.txt"});
    }
    const DeadMount dead;
    for (int opening = 0; opening < 10; ++opening) {
        ContainingFolder folder("/dead/x.txt", dead.lookup(itemLookup()));
        QVERIFY(folder.offered());
        QTest::qWait(40);
        QVERIFY(!folder.offered());
    }
    IoQueue& queue = IoQueue::instance();
    QCOMPARE(gate->waiting(), 2);
    QCOMPARE(dead.gate->waiting(), 2);
    QCOMPARE(queue.callsUnderWay(), 4);
    QCOMPARE(queue.threadsStuck(), 0); // slow for all the queue knows: no time-out yet
    // Once the idle ones have ended: the four in their calls, and one that waits to time them out.
    QTRY_COMPARE(queue.threadsAlive(), 5);
    qInfo("threads before: %d, after the hangs: %d (queue threads %d, calls under way %d)", before,
          threadsOfThisProcess(), queue.threadsAlive(), queue.callsUnderWay());
    QVERIFY2(threadsOfThisProcess() <= before + 5, qPrintable(QString::number(threadsOfThisProcess() - before)));
    gate->release();
    dead.gate->release();
    QTRY_COMPARE(queue.threadsAlive(), 0);
    QTRY_VERIFY(threadsOfThisProcess() <= before);
    qInfo("threads once the hangs are released: %d", threadsOfThisProcess());
}

void tst_threads::saveCheckThatDoesNotAnswerWritesNothing()
{
    FakeDesktop desktop;
    StepTrap trap(desktop, Location);
    ResultModel list;
    list.append("a line");
    list.showPendingLines();
    const DeadMount dead;
    desktop.expectSaveFile(QStringLiteral("/dead/list.txt"));
    // Never taken for absent, so never written without the question.
    desktop.expectError(StepTrap::composeText(QStringLiteral("Connection timed out: /dead/list.txt"), Location, 120));
    bool opened = false;
    saveResultsAsTextFile(
        trap, desktop, list, [](PointerState) {},
        [&](const QString&) -> std::unique_ptr<ReplacingFile> {
            opened = true;
            return nullptr;
        },
        dead.lookup(targetCheck()));
    QVERIFY(!opened);
    QVERIFY(desktop.yields > 0);
}

void tst_threads::dragDecidesFromUrlsAlone_data()
{
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("a local folder") << QStringList{"file:///srv"} << true;
    // Whether it exists is never asked while dragging.
    QTest::newRow("on a dead mount") << QStringList{"file:///dead/folder"} << true;
    QTest::newRow("a web address") << QStringList{"https://example.org/"} << false;
    QTest::newRow("a web address, then a local file")
        << QStringList{"https://example.org/", "file:///srv/a.txt"} << true;
    QTest::newRow("nothing") << QStringList{} << false;
}

void tst_threads::dragDecidesFromUrlsAlone()
{
    QFETCH(QStringList, urls);
    QFETCH(bool, accepted);
    QList<QUrl> dragged;
    for (const QString& url : urls)
        dragged << QUrl(url);
    QCOMPARE(holdsLocalItem(dragged), accepted);
}

void tst_threads::dropOverADeadMountAddsTheRest()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("one")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("two")));
    const DeadMount dead;
    FolderHarness folders(nullptr, dead.lookup(folderLookup()));
    folders.actions.addDroppedFolders(folders.trap, {QUrl::fromLocalFile(dir.filePath(QStringLiteral("one"))),
                                                     QUrl(QStringLiteral("file:///dead/folder")),
                                                     QUrl::fromLocalFile(dir.filePath(QStringLiteral("two")))});
    QCOMPARE(folders.entries(),
             (QStringList{dir.filePath(QStringLiteral("one")), dir.filePath(QStringLiteral("two"))}));
    QVERIFY(folders.desktop.yields > 0);
}

void tst_threads::menuOpensBeforeItsLookupAnswers()
{
    const DeadMount dead;
    ContainingFolder folder("/dead/x.txt", dead.lookup(itemLookup()));
    // Offered while unknown; chosen then, it is looked up with the window yielding.
    QVERIFY(folder.offered());
    FakeDesktop desktop;
    folder.open(desktop);
    QVERIFY(desktop.yields > 0);
    QVERIFY(desktop.shownInFileManager.isEmpty());
    QVERIFY(!folder.offered());
}

QTEST_GUILESS_MAIN(tst_threads)
#include "tst_threads.moc"

#include "BackgroundThreads.h"
#include "SearchHarness.h"
#include "folders/FolderListActions.h"
#include "results/FileHandover.h"
#include "results/ResultExport.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <condition_variable>
#include <mutex>

namespace {

// A gate that hung calls wait at until the test opens it.
struct Gate {
    void wait()
    {
        std::unique_lock lock(mutex);
        ++waiting;
        opened.wait(lock, [&] { return open; });
        --waiting;
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
    int waitingNow()
    {
        std::lock_guard lock(mutex);
        return waiting;
    }

    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    int waiting = 0;
};

// Paths below /dead hang until the gate opens; the first name is the file system.
struct DeadMount {
    ~DeadMount() { gate->release(); }

    ItemLooks looks(const std::function<bool(const QByteArray&)>& healthy) const
    {
        return {[gate = gate, healthy](const QByteArray& path) {
                    if (path.startsWith("/dead/"))
                        gate->wait();
                    return healthy(path);
                },
                std::chrono::milliseconds(30), [](const QByteArray& path) { return path.left(path.indexOf('/', 1)); }};
    }

    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
};

// The real reader, except that one folder's listing hangs and counts as a
// file system of its own, as a dead mount does.
class HangingReader : public FolderReader {
public:
    int read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders) override
    {
        if (path == hangAt)
            gate->wait();
        return real_.read(folderFd, path, files, subfolders);
    }
    QByteArrayList mountPoints() const override { return ::mountPoints() << hangAt; }

    QByteArray hangAt;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();

private:
    PosixFolderReader real_;
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
    void stuckThreadsRefuseTheirFileSystem();
    void threadBoundAfterRepeatedHangs();
    void hungLooksCountPerFileSystem_data();
    void hungLooksCountPerFileSystem();
    void saveCheckThatDoesNotAnswerWritesNothing();
    void dragDecidesFromUrlsAlone_data();
    void dragDecidesFromUrlsAlone();
    void dropOverADeadMountAddsTheRest();
    void menuOpensBeforeItsLookAnswers();
};

void tst_threads::cleanup()
{
    // Every test releases its hangs; no thread of it may stay behind.
    QTRY_COMPARE(BackgroundThreads::instance().alive(), 0);
}

void tst_threads::stuckThreadsRefuseTheirFileSystem()
{
    BackgroundThreads threads({3, 2, std::chrono::milliseconds(0)});
    Gate gate;
    const auto hangOn = [&](const QByteArray& fileSystem) {
        auto work = threads.newWork();
        const bool started = threads.start(work, "test-hang", [&gate, fileSystem] {
            const BackgroundThreads::SlowCall call(fileSystem);
            gate.wait();
        });
        return started ? work : nullptr;
    };
    const auto first = hangOn("/a");
    QVERIFY(first);
    QTRY_COMPARE(gate.waitingNow(), 1);
    // Slow but still wanted: not stuck.
    QVERIFY(threads.answers("/a"));
    first->giveUp();
    QCOMPARE(threads.stuck(), 1);
    QVERIFY(!threads.answers("/a"));
    QVERIFY(threads.answers("/b"));
    const auto second = hangOn("/b");
    QVERIFY(second);
    QTRY_COMPARE(gate.waitingNow(), 2);
    second->giveUp();
    // The bound of stuck threads in all: nothing answers now.
    QVERIFY(!threads.answers("/c"));
    QVERIFY(threads.start(threads.newWork(), "test-quick", [] {}));
    QTRY_COMPARE(threads.alive(), 2);
    QVERIFY(hangOn("/c"));
    QTRY_COMPARE(gate.waitingNow(), 3);
    // The bound of threads alive.
    QVERIFY(!threads.start(threads.newWork(), "test-more", [] {}));
    gate.release();
    QTRY_COMPARE(threads.alive(), 0);
    QVERIFY(threads.answers("/a") && threads.answers("/c"));
}

void tst_threads::threadBoundAfterRepeatedHangs()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("hung")));
    QFile(dir.filePath(QStringLiteral("a1.txt"))).open(QIODevice::WriteOnly);
    const int before = threadsOfThisProcess();
    // Five searches over a folder whose listing hangs, each stopped while it hangs.
    auto gate = std::make_shared<Gate>();
    for (int search = 0; search < 5; ++search) {
        SearchHarness<HangingReader> harness;
        harness.reader->hangAt = QFile::encodeName(dir.filePath(QStringLiteral("hung")));
        harness.reader->gate = gate;
        QElapsedTimer hanging;
        harness.desktop.onYield = [&](long long) {
            if (gate->waitingNow() > 0 && !hanging.isValid())
                hanging.start();
            if (hanging.isValid() && hanging.elapsed() >= 300 && harness.caption == QLatin1String("Stop"))
                harness.click();
        };
        // The first hangs; from then on that file system does not answer.
        if (search > 0)
            harness.desktop.expectError(trapText(QStringLiteral("Connection timed out: ") + dir.path() + "/hung", 132));
        harness.search(dir.path());
        QCOMPARE(harness.sortedLines(), QStringList{"a1.txt"});
        QVERIFY2(harness.desktop.problems().isEmpty(), qPrintable(harness.desktop.problems().join('\n')));
    }
    // Ten openings of the result list's menu on a line whose look hangs.
    const DeadMount dead;
    for (int opening = 0; opening < 10; ++opening) {
        ContainingFolder folder("/dead/x.txt", dead.looks(itemExists));
        QVERIFY(folder.offered());
        QTRY_VERIFY(folder.settled());
        QVERIFY(!folder.offered());
    }
    // One stuck listing and one stuck look, whatever was done.
    qInfo("threads before: %d, after the hangs: %d (stuck %d)", before, threadsOfThisProcess(),
          BackgroundThreads::instance().stuck());
    QCOMPARE(BackgroundThreads::instance().stuck(), 2);
    QVERIFY(BackgroundThreads::instance().alive() <= 2);
    QVERIFY2(threadsOfThisProcess() <= before + 2, qPrintable(QString::number(threadsOfThisProcess() - before)));
    gate->release();
    dead.gate->release();
    QTRY_COMPARE(BackgroundThreads::instance().alive(), 0);
    QTRY_VERIFY(threadsOfThisProcess() <= before);
    qInfo("threads once the hangs are released: %d", threadsOfThisProcess());
}

void tst_threads::hungLooksCountPerFileSystem_data()
{
    QTest::addColumn<QByteArrayList>("lines"); // %1 is a healthy folder
    QTest::addColumn<int>("files");
    const QByteArrayList healthy{"%1/a.txt", "%1/b.txt", "%1/c.txt"};
    QByteArrayList deadFirst;
    for (int line = 0; line < 6; ++line)
        deadFirst << "/dead/" + QByteArray::number(line) + ".txt";
    QTest::newRow("six on the dead mount, then healthy ones") << deadFirst + healthy << 3;
    QTest::newRow("healthy ones around the dead mount")
        << QByteArrayList{"%1/a.txt", "/dead/1.txt", "%1/b.txt", "/dead/2.txt", "%1/c.txt"} << 3;
    QTest::newRow("only the dead mount") << deadFirst << 0;
}

void tst_threads::hungLooksCountPerFileSystem()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(int, files);
    QTemporaryDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    for (QByteArray& line : lines)
        line.replace("%1", QFile::encodeName(dir.path()));
    const DeadMount dead;
    const FileHandover handover(lines, {}, dead.looks(itemExists));
    QCOMPARE(handover.fileCount(), files);
    // One look hung; the rest on that mount were never tried.
    QCOMPARE(dead.gate->waitingNow(), 1);
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
        dead.looks(targetExists));
    QVERIFY(!opened);
    QVERIFY(desktop.yields > 0);
    QVERIFY2(desktop.problems().isEmpty(), qPrintable(desktop.problems().join('\n')));
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
    FakeDesktop desktop;
    FolderListModel list;
    FolderListActions actions(desktop, list, QStringLiteral("/opt/scrivlist"),
                              {[] { return QString(); }, [](const QString&) {}, [](PointerState) {},
                               [](const QString&) {}, dead.looks(isFolder)});
    StepTrap trap(desktop, Location);
    actions.addDroppedFolders(trap, {QUrl::fromLocalFile(dir.filePath(QStringLiteral("one"))),
                                     QUrl(QStringLiteral("file:///dead/folder")),
                                     QUrl::fromLocalFile(dir.filePath(QStringLiteral("two")))});
    QStringList entries;
    for (qsizetype entry = 0; entry < list.entryCount(); ++entry)
        entries << list.entry(entry);
    QCOMPARE(entries, (QStringList{dir.filePath(QStringLiteral("one")), dir.filePath(QStringLiteral("two"))}));
    QVERIFY(desktop.yields > 0);
    QVERIFY2(desktop.problems().isEmpty(), qPrintable(desktop.problems().join('\n')));
}

void tst_threads::menuOpensBeforeItsLookAnswers()
{
    const DeadMount dead;
    ContainingFolder folder("/dead/x.txt", dead.looks(itemExists));
    // Offered while unknown; chosen then, it is looked up with the window yielding.
    QVERIFY(folder.offered());
    QVERIFY(!folder.settled());
    FakeDesktop desktop;
    folder.open(desktop);
    QVERIFY(desktop.yields > 0);
    QVERIFY(desktop.shownInFileManager.isEmpty());
    QVERIFY(!folder.offered());
}

QTEST_GUILESS_MAIN(tst_threads)
#include "tst_threads.moc"

#include "io/UniqueFd.h"
#include "search/FolderFeed.h"
#include "tests/support/ScriptedReader.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A chain of folders `depth` deep, too deep to be made or removed by path.
// Each level holds a file and, beside the next level, a folder with a file.
class DeepTree {
public:
    DeepTree(const QByteArray& top, const QByteArray& name, int depth) : top_(top), name_(name), depth_(depth)
    {
        UniqueFd fd(::open(top.constData(), O_RDONLY | O_DIRECTORY));
        for (int level = 0; level < depth && fd; ++level) {
            touch(fd.get(), "level1.txt");
            ::mkdirat(fd.get(), "side", 0755);
            touch(fd.get(), "side/side1.txt");
            ::mkdirat(fd.get(), name.constData(), 0755);
            fd = UniqueFd(::openat(fd.get(), name.constData(), O_RDONLY | O_DIRECTORY));
            made_ += fd ? 1 : 0;
        }
        touch(fd.get(), "bottom1.txt");
    }

    ~DeepTree()
    {
        // Down to the bottom, then up again through "..", emptying each level.
        UniqueFd fd(::open(top_.constData(), O_RDONLY | O_DIRECTORY));
        for (int level = 0; level < made_; ++level)
            fd = UniqueFd(::openat(fd.get(), name_.constData(), O_RDONLY | O_DIRECTORY));
        ::unlinkat(fd.get(), "bottom1.txt", 0);
        for (int level = 0; level < made_; ++level) {
            fd = UniqueFd(::openat(fd.get(), "..", O_RDONLY | O_DIRECTORY));
            ::unlinkat(fd.get(), name_.constData(), AT_REMOVEDIR);
            ::unlinkat(fd.get(), "side/side1.txt", 0);
            ::unlinkat(fd.get(), "side", AT_REMOVEDIR);
            ::unlinkat(fd.get(), "level1.txt", 0);
        }
    }

    bool complete() const { return made_ == depth_; }

private:
    static void touch(int folderFd, const char* name) { ::close(::openat(folderFd, name, O_CREAT | O_WRONLY, 0644)); }

    QByteArray top_;
    QByteArray name_;
    int depth_;
    int made_ = 0;
};

// Caps the descriptors this process may open at those it has open plus a few.
class DescriptorCap {
public:
    explicit DescriptorCap(rlim_t more)
    {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const auto open = static_cast<rlim_t>(QDir(QStringLiteral("/proc/self/fd")).count());
        const rlimit capped{open + more, saved_.rlim_max};
        ::setrlimit(RLIMIT_NOFILE, &capped);
    }
    ~DescriptorCap() { ::setrlimit(RLIMIT_NOFILE, &saved_); }

private:
    rlimit saved_{};
};

// Sets how far feeds read ahead while it lives.
class ReadAheadScope {
public:
    explicit ReadAheadScope(const ReadAhead& readAhead) { FolderFeed::setDefaultReadAhead(readAhead); }
    ~ReadAheadScope() { FolderFeed::setDefaultReadAhead(saved_); }

private:
    ReadAhead saved_ = FolderFeed::defaultReadAhead();
};

ReadAhead inFlight(int perFileSystem, int inAll)
{
    ReadAhead readAhead;
    readAhead.listingsPerFileSystem = perFileSystem;
    readAhead.listings = inAll;
    return readAhead;
}

// The lines of one run over folder with Stop clicked before the file of line
// stopAt (never when negative), and whatever the desktop saw amiss.
QByteArrayList walkLines(const QString& folder, const ReadAhead& readAhead, int check5, qsizetype stopAt = -1,
                         size_t delaySeed = 0, int maxDelayUs = 0)
{
    const ReadAheadScope scope(readAhead);
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.check5 = check5;
    harness.reader->delaySeed = delaySeed;
    harness.reader->maxDelayUs = maxDelayUs;
    if (stopAt >= 0)
        harness.stopAtLine(stopAt);
    harness.search(folder);
    QByteArrayList lines = harness.lines();
    for (const QString& problem : harness.desktop.problems())
        lines << "problem: " + problem.toUtf8();
    return lines;
}

// Folders and files in random places, from a seed.
QStringList randomTree(quint32 seed, int folders, int files)
{
    QRandomGenerator random(seed);
    QStringList made{QString()};
    QStringList entries;
    for (int folder = 1; folder < folders; ++folder) {
        made << made.at(random.bounded(made.size())) + QStringLiteral("f%1/").arg(folder);
        entries << made.last();
    }
    for (int file = 0; file < files; ++file)
        entries << made.at(random.bounded(made.size())) + QStringLiteral("n%1.txt").arg(file);
    return entries;
}
} // namespace

// The lister behind the walk: the order it hands folders out in, how many it
// holds open and in flight, and what it does once Stop is clicked or a
// listing hangs.
class tst_lister : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void filesComeBeforeSubfoldersDepthFirst();
    void manyFilesAndFoldersAllArrive();
    void descriptorsStayBounded_data();
    void descriptorsStayBounded();
    void randomListingOrderKeepsTheWalk_data();
    void randomListingOrderKeepsTheWalk();
    void inFlightStaysWithinTheCap_data();
    void inFlightStaysWithinTheCap();
    void stopEndsTheWalk_data();
    void stopEndsTheWalk();
    void hungListingLeavesTheWindowLive_data();
    void hungListingLeavesTheWindowLive();

private:
    QString tree(const QString& name) const { return tree_.filePath(name); }

    QTemporaryDir tree_;
};

// Random trees that several rows walk.
void tst_lister::initTestCase()
{
    QVERIFY(tree_.isValid());
    makeTree(tree(QStringLiteral("random7")), randomTree(7, 60, 150));
    makeTree(tree(QStringLiteral("random3")), randomTree(3, 80, 40));
}

void tst_lister::filesComeBeforeSubfoldersDepthFirst()
{
    QTemporaryDir dir;
    makeTree(dir.path(), {"a.txt", "b.txt", "s1/c.txt", "s1/t/d.txt", "s2/e.txt", "s2/f.txt"});
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.search(dir.path());
    QStringList order;
    for (const QByteArray& line : harness.lines())
        order << QString::fromUtf8(line).mid(dir.path().size() + 1);
    QCOMPARE(order.size(), 6);
    QCOMPARE(QSet<QString>(order.begin(), order.begin() + 2), QSet<QString>({"a.txt", "b.txt"}));
    // Each subfolder's whole tree comes in one piece, its own files first.
    const qsizetype s1 = order.indexOf(QStringLiteral("s1/c.txt"));
    QCOMPARE(order.at(s1 + 1), QStringLiteral("s1/t/d.txt"));
    const qsizetype s2 = s1 == 2 ? 4 : 2;
    QCOMPARE(QSet<QString>(order.begin() + s2, order.begin() + s2 + 2), QSet<QString>({"s2/e.txt", "s2/f.txt"}));

    QCOMPARE(harness.headers.first(), QStringLiteral("Searching ") + dir.path());
    QVERIFY(harness.headers.contains(QStringLiteral("Searching ") + dir.path() + QStringLiteral("/s1/t")));
    QCOMPARE(harness.headers.last(), QStringLiteral("Folder(s)"));
}

void tst_lister::manyFilesAndFoldersAllArrive()
{
    QTemporaryDir dir;
    QStringList entries;
    QStringList rootFiles;
    for (int i = 0; i < 3000; ++i)
        rootFiles
            << QStringLiteral("file_%1_%2.txt").arg(i, 4, 10, QLatin1Char('0')).arg(QString(40, QLatin1Char('x')));
    entries << rootFiles;
    for (int i = 0; i < 150; ++i)
        entries << QStringLiteral("folder_%1/inner.txt").arg(i);
    makeTree(dir.path(), entries);
    Harness harness;
    harness.search(dir.path());

    const QByteArrayList lines = harness.lines();
    QCOMPARE(lines.size(), 3150);
    QStringList first;
    for (qsizetype line = 0; line < 3000; ++line)
        first << QString::fromUtf8(lines[line]);
    first.sort();
    rootFiles.sort();
    QCOMPARE(first, rootFiles);
    for (qsizetype line = 3000; line < lines.size(); ++line)
        QCOMPARE(lines[line], QByteArray("inner.txt"));
}

void tst_lister::descriptorsStayBounded_data()
{
    QTest::addColumn<QByteArray>("name"); // of the deep folders; empty for the wide tree
    QTest::addColumn<int>("size");        // levels deep, or subfolders wide
    // Paths longer than any the system takes, in few levels of long names.
    QTest::newRow("deeper than any path") << QByteArray(60, 'd') << 80;
    QTest::newRow("3,000 levels deep") << QByteArray("d") << 3000;
    QTest::newRow("20,000 subfolders") << QByteArray() << 20000;
}

void tst_lister::descriptorsStayBounded()
{
    QFETCH(QByteArray, name);
    QFETCH(int, size);
    // In memory where the system has it: making and removing this many folders on a disk takes long.
    const QString shm = QStringLiteral("/dev/shm");
    QTemporaryDir dir(QFileInfo(shm).isWritable() ? shm + QStringLiteral("/tst_walk-XXXXXX") : QString());
    const QByteArray top = QFile::encodeName(dir.path());
    std::optional<DeepTree> deep;
    qsizetype expectedLines = 0;
    if (!name.isEmpty()) {
        deep.emplace(top, name, size);
        QVERIFY(deep->complete());
        expectedLines = 2 * size + 1;
    } else {
        const UniqueFd fd(::open(top.constData(), O_RDONLY | O_DIRECTORY));
        for (int folder = 0; folder < size; ++folder) {
            const QByteArray folderName = "sub" + QByteArray::number(folder);
            QCOMPARE(::mkdirat(fd.get(), folderName.constData(), 0755), 0);
            ::close(::openat(fd.get(), (folderName + "/a1.txt").constData(), O_CREAT | O_WRONLY, 0644));
        }
        expectedLines = size;
    }
    // Far below the usual limit of 1024, whatever the depth or width.
    const DescriptorCap cap(128);
    const QByteArrayList one = walkLines(dir.path(), inFlight(1, 1), 1);
    QCOMPARE(one.size(), expectedLines);
    // Listings that wait a little, as on a share, so that every bound is reached.
    QCOMPARE(walkLines(dir.path(), FolderFeed::defaultReadAhead(), 1, -1, 1, 400), one);
    if (deep)
        QVERIFY(std::any_of(one.begin(), one.end(), [](const QByteArray& line) {
            return line.endsWith("/bottom1.txt") && line.size() > PATH_MAX;
        }));
}

void tst_lister::randomListingOrderKeepsTheWalk_data()
{
    QTest::addColumn<int>("check5");
    QTest::newRow("with subfolders") << 1;
    QTest::newRow("without subfolders") << 0;
}

// Listings that finish in any order still give the lines of a walk with one
// listing in flight, byte for byte, whole or stopped at any file.
void tst_lister::randomListingOrderKeepsTheWalk()
{
    QFETCH(int, check5);
    const QString root = tree(QStringLiteral("random7"));
    const QByteArrayList one = walkLines(root, inFlight(1, 1), check5);
    QVERIFY(!one.isEmpty());
    QRandomGenerator random(11);
    for (size_t seed = 1; seed <= 16; ++seed) {
        const ReadAhead several = inFlight(1 + random.bounded(8), 1 + random.bounded(16));
        QCOMPARE(walkLines(root, several, check5, -1, seed, 1500), one);
        const qsizetype stopAt = random.bounded(one.size());
        QCOMPARE(walkLines(root, several, check5, stopAt, seed, 1500), one.mid(0, stopAt));
    }
}

void tst_lister::inFlightStaysWithinTheCap_data()
{
    QTest::addColumn<int>("perFileSystem");
    QTest::addColumn<int>("inAll");
    QTest::addColumn<int>("cap");
    QTest::newRow("per file system") << 3 << 16 << 3;
    QTest::newRow("in all") << 8 << 2 << 2;
    QTest::newRow("one") << 1 << 1 << 1;
}

void tst_lister::inFlightStaysWithinTheCap()
{
    QFETCH(int, perFileSystem);
    QFETCH(int, inAll);
    QFETCH(int, cap);
    const ReadAheadScope scope(inFlight(perFileSystem, inAll));
    Harness harness;
    harness.reader->maxDelayUs = 1000;
    harness.search(tree(QStringLiteral("random3")));
    QCOMPARE(harness.lines().size(), 40);
    // Wide enough that every slot was taken at some time.
    QCOMPARE(harness.reader->maxInFlight(), cap);
}

void tst_lister::stopEndsTheWalk_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("maxDelayUs");
    QTest::addColumn<int>("stopAt");      // lines
    QTest::addColumn<int>("mostStarted"); // listings, of a tree of 4 and of 200 folders
    QTest::newRow("inside a folder's files")
        << QStringList{"A/1.txt",        "A/2.txt", "A/3.txt", "A/4.txt", "A/5.txt",
                       "A/deeper/6.txt", "B/7.txt", "B/8.txt", "B/9.txt"}
        << 0 << 2 << 4;
    QTest::newRow("with listings in flight") << randomTree(5, 200, 200) << 2000 << 3 << 199;
}

// Stop in the yield before a file: no later file, subfolder or sibling is
// listed, and no listing starts after those in flight.
void tst_lister::stopEndsTheWalk()
{
    QFETCH(QStringList, entries);
    QFETCH(int, maxDelayUs);
    QFETCH(int, stopAt);
    QFETCH(int, mostStarted);
    QTemporaryDir dir;
    makeTree(dir.path(), entries);
    const QByteArrayList one = walkLines(dir.path(), inFlight(1, 1), 1);
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.reader->maxDelayUs = maxDelayUs;
    qsizetype headersAtStop = -1;
    harness.desktop.onYield = [&](long long) {
        if (headersAtStop < 0 && harness.results.lineCount() == stopAt) {
            QCOMPARE(harness.caption, QStringLiteral("Stop"));
            harness.click();
            QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
            QVERIFY(harness.run.stopRequested());
            headersAtStop = harness.headers.size();
        }
    };
    harness.search(dir.path());
    QCOMPARE(harness.lines(), one.mid(0, stopAt));
    QCOMPARE(harness.headers.mid(headersAtStop), QStringList{"Folder(s)"});
    QVERIFY(harness.pointer != PointerState::Busy);
    // Listings in flight at Stop may still end; none starts after them.
    QTest::qWait(20);
    const qsizetype started = harness.reader->readPaths().size();
    QTest::qWait(100);
    QCOMPARE(harness.reader->readPaths().size(), started);
    QVERIFY(started <= mostStarted);
}

void tst_lister::hungListingLeavesTheWindowLive_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("hungLine"); // the folder of this line in walk order hangs
    QTest::addColumn<int>("lines");    // of the whole walk
    QTest::newRow("one slow subfolder") << QStringList{"a1.txt", "slow/b1.txt"} << 1 << 2;
    QStringList twelve;
    for (int folder = 0; folder < 12; ++folder)
        twelve << QStringLiteral("s%1/a1.txt").arg(folder) << QStringLiteral("s%1/b1.txt").arg(folder);
    QTest::newRow("the sixth of twelve, several in flight") << twelve << 10 << 24;
}

// Stop during a listing that never ends: every line before it is shown, and
// the run ends at once while the queue thread stays in its call.
void tst_lister::hungListingLeavesTheWindowLive()
{
    QFETCH(QStringList, entries);
    QFETCH(int, hungLine);
    QFETCH(int, lines);
    QTemporaryDir dir;
    makeTree(dir.path(), entries);
    const QByteArrayList one = walkLines(dir.path(), inFlight(1, 1), 1);
    QCOMPARE(one.size(), lines);
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.reader->hangAt = one.at(hungLine).left(one.at(hungLine).lastIndexOf('/'));
    long long yieldsWhileHanging = 0;
    harness.desktop.onYield = [&](long long) {
        if (harness.reader->hanging && harness.results.lineCount() >= hungLine && ++yieldsWhileHanging == 20)
            harness.click();
    };
    harness.search(dir.path());
    QCOMPARE(harness.lines(), one.mid(0, hungLine));
    QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
    QCOMPARE(harness.pointer, PointerState::Default);
    QCOMPARE(harness.folders.headerText(), QStringLiteral("Folder(s)"));
    // Once released the call ends on its own.
    QVERIFY(!harness.reader->leftHang);
    harness.reader->release();
    QTRY_VERIFY(harness.reader->leftHang);
}

QTEST_GUILESS_MAIN(tst_lister)
#include "tst_lister.moc"

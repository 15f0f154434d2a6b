#include "SearchHarness.h"
#include "UniqueFd.h"
#include "folders/ListRemoval.h"
#include "search/FolderFeed.h"
#include "search/ResultLine.h"
#include "search/SkipRules.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The real reader, except that chosen folders fail with an errno, one
// folder's listing hangs until released, and listings may take a while that
// a seed and the path choose, so they finish in a random order.
class ScriptedReader : public FolderReader {
public:
    int read(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders) override
    {
        const int now = ++inFlight_;
        for (int seen = maxInFlight_; now > seen && !maxInFlight_.compare_exchange_weak(seen, now);) {
        }
        const int result = scriptedRead(folderFd, path, files, subfolders);
        --inFlight_;
        return result;
    }

    void release()
    {
        std::lock_guard lock(mutex_);
        isReleased_ = true;
        released_.notify_all();
    }

    QByteArrayList readPaths() const
    {
        std::lock_guard lock(mutex_);
        return readPaths_;
    }

    int maxInFlight() const { return maxInFlight_; }

    // Set before a run.
    QHash<QByteArray, int> failures;
    QByteArray hangAt;
    size_t delaySeed = 0;
    int maxDelayUs = 0;
    std::atomic<bool> hanging{false};
    std::atomic<bool> leftHang{false};

private:
    int scriptedRead(int folderFd, const QByteArray& path, NameList& files, NameList& subfolders)
    {
        if (maxDelayUs > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(qHash(path, delaySeed) % size_t(maxDelayUs)));
        {
            std::unique_lock lock(mutex_);
            readPaths_ << path;
            if (failures.contains(path))
                return failures.value(path);
            if (path == hangAt) {
                hanging = true;
                released_.wait(lock, [&] { return isReleased_; });
            }
        }
        const int result = real_.read(folderFd, path, files, subfolders);
        if (path == hangAt)
            leftHang = true;
        return result;
    }

    std::atomic<int> inFlight_{0};
    std::atomic<int> maxInFlight_{0};
    PosixFolderReader real_;
    mutable std::mutex mutex_;
    QByteArrayList readPaths_;
    std::condition_variable released_;
    bool isReleased_ = false;
};

using Harness = SearchHarness<ScriptedReader>;

// Files and folders (ending in "/") below root.
void makeTree(const QString& root, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const QString path = root + QLatin1Char('/') + entry;
        if (entry.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(path));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

// What a feed hands out, one line a folder: its path below root and its files
// in order, or its errno.
QStringList drainFeed(FolderFeed& feed, const QByteArray& root)
{
    QStringList folders;
    FolderListing listing;
    for (int waits = 0; waits < 100;) {
        const FolderFeed::Next next = feed.next(listing, std::chrono::milliseconds(100));
        if (next == FolderFeed::Next::Finished)
            return folders;
        if (next == FolderFeed::Next::Pending) {
            ++waits;
            continue;
        }
        QString line = QString::fromUtf8(listing.path.mid(root.size())) + QLatin1Char(':');
        if (listing.state != FolderListing::State::Listed)
            line += QStringLiteral(" errno %1").arg(listing.error);
        for (qsizetype file = 0; file < listing.files.size(); ++file)
            line += QLatin1Char(' ') + QString::fromUtf8(listing.files.at(file));
        folders << line;
    }
    return folders << QStringLiteral("hung");
}

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

class tst_walk : public QObject {
    Q_OBJECT
private slots:
    void filesComeBeforeSubfoldersDepthFirst();
    void resultForms_data();
    void resultForms();
    void linesOfAFolder_data();
    void linesOfAFolder();
    void reportedFolderPath_data();
    void reportedFolderPath();
    void phraseMatching_data();
    void phraseMatching();
    void subfolderOption_data();
    void subfolderOption();
    void stopAtTheThirdFileEndsTheWholeWalk();
    void unreadableFoldersAreSkippedAndReported_data();
    void unreadableFoldersAreSkippedAndReported();
    void linksAreFilesAndNeverFollowed();
    void manyFilesAndFoldersAllArrive();
    void nameThatIsNotUtf8KeepsItsBytes();
    void descriptorsStayBounded_data();
    void descriptorsStayBounded();
    void randomListingOrderKeepsTheWalk_data();
    void randomListingOrderKeepsTheWalk();
    void inFlightStaysWithinTheCap_data();
    void inFlightStaysWithinTheCap();
    void noListingStartsAfterStop();
    void hungListingWithSeveralInFlight();
    void hangingListingLeavesTheWindowLive();
    void skipRules_data();
    void skipRules();
    void skippedFoldersAreNeverOpened_data();
    void skippedFoldersAreNeverOpened();
    void skipEntriesOfTheFolderList_data();
    void skipEntriesOfTheFolderList();
    void skippedFolderThatWouldFailGivesNoBox_data();
    void skippedFolderThatWouldFailGivesNoBox();
    void onlySkipEntriesIsAnEmptyList();
    void skipEntryRemovedWithDelete();
    void skipEntriesThatMatchNothingChangeNoLine();
};

void tst_walk::filesComeBeforeSubfoldersDepthFirst()
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
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::resultForms_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("expected"); // below the temporary folder, as %1
    QTest::newRow("Path and Filename") << 1 << QStringList{"%1/sub/Sample1.txt"};
    QTest::newRow("Just Filename") << 2 << QStringList{"Sample1.txt"};
    QTest::newRow("Just Path") << 3 << QStringList{"%1/sub"};
    QTest::newRow("Just Subfolder") << 4 << QStringList{"sub"};
    QTest::newRow("none selected") << 0 << QStringList{};
}

void tst_walk::resultForms()
{
    QFETCH(int, option);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    makeTree(dir.path(), {"sub/Sample1.txt", "sub/other.doc"});
    Harness harness;
    harness.option = static_cast<ResultForm>(option);
    harness.phraseBox = QStringLiteral("ple1.t");
    harness.search(dir.path());
    expected.replaceInStrings(QStringLiteral("%1"), dir.path());
    QCOMPARE(harness.sortedLines(), expected);
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::linesOfAFolder_data()
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

void tst_walk::linesOfAFolder()
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

void tst_walk::reportedFolderPath_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("reported");
    QTest::newRow("root") << QByteArray("/") << QByteArray("/");
    QTest::newRow("trailing separator") << QByteArray("/srv/data/") << QByteArray("/srv/data");
    QTest::newRow("program in the root") << QByteArray("//Samples") << QByteArray("/Samples");
    QTest::newRow("runs of separators") << QByteArray("/a//b///c") << QByteArray("/a/b/c");
}

void tst_walk::reportedFolderPath()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, reported);
    QCOMPARE(::reportedFolderPath(folder), reported);
}

void tst_walk::phraseMatching_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case ignored") << "PLE1.T" << QStringList{"EXAMPLE1.TXT", "Sample1.txt"};
    QTest::newRow("substring, not extension")
        << ".txt"
        << QStringList{"EXAMPLE1.TXT", "Sample1.txt", "a.txtfile", "notes.txt.bak", "with space .txt", "x.txt,.doc"};
    QTest::newRow("leading space kept") << " .txt" << QStringList{"with space .txt"};
    QTest::newRow("comma stands for itself") << "a,b" << QStringList{"a,b.doc", "xa,by"};
    QTest::newRow("stars removed, one phrase") << "*.txt,*.doc" << QStringList{"x.txt,.doc"};
    QTest::newRow("only stars match every file")
        << "**" << QStringList{"EXAMPLE1.TXT",  "Sample1.txt",     "a,b.doc",    "a.txtfile", "ab.doc",
                               "notes.txt.bak", "with space .txt", "x.txt,.doc", "xa,by",     "z.bin"};
}

void tst_walk::phraseMatching()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    // The folder's name holds the phrase; only file names are matched.
    makeTree(dir.path(), {"Sample1.txt", "EXAMPLE1.TXT", "notes.txt.bak", "a.txtfile", "a,b.doc", "xa,by", "ab.doc",
                          "with space .txt", "x.txt,.doc", "ple1.t .txt a,b/z.bin"});
    Harness harness;
    harness.phraseBox = typed;
    harness.search(dir.path());
    QCOMPARE(harness.sortedLines(), expected);
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::subfolderOption_data()
{
    QTest::addColumn<int>("check5");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("reported");
    // Unticked, folders below are not even opened, so the unreadable one goes unnoticed.
    QTest::newRow("unticked") << 0 << QStringList{"a.txt"} << false;
    QTest::newRow("ticked") << 1 << QStringList{"a.txt", "b.txt"} << true;
    QTest::newRow("greyed") << 2 << QStringList{"a.txt", "b.txt"} << true;
}

void tst_walk::subfolderOption()
{
    QFETCH(int, check5);
    QFETCH(QStringList, expected);
    QFETCH(bool, reported);
    QTemporaryDir dir;
    makeTree(dir.path(), {"a.txt", "sub/b.txt", "locked/c.txt"});
    Harness harness;
    harness.check5 = check5;
    harness.reader->failures.insert(QFile::encodeName(dir.path() + QStringLiteral("/locked")), EACCES);
    if (reported)
        harness.desktop.expectError();
    harness.search(dir.path());
    QCOMPARE(harness.sortedLines(), expected);
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::stopAtTheThirdFileEndsTheWholeWalk()
{
    QTemporaryDir dir;
    makeTree(dir.path(), {"A/1.txt", "A/2.txt", "A/3.txt", "A/4.txt", "A/5.txt", "A/deeper/6.txt", "B/7.txt", "B/8.txt",
                          "B/9.txt"});
    Harness harness;
    harness.option = ResultForm::JustPath;
    qsizetype headersAtStop = -1;
    harness.desktop.onYield = [&](long long) {
        if (headersAtStop < 0 && harness.results.lineCount() == 2) {
            QCOMPARE(harness.caption, QStringLiteral("Stop"));
            harness.click();
            QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
            QVERIFY(harness.run.stopRequested());
            headersAtStop = harness.headers.size();
        }
    };
    harness.search(dir.path());
    // Two lines of the folder being walked; no later file, subfolder or sibling.
    const QByteArrayList lines = harness.lines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), lines.at(1));
    QCOMPARE(harness.headers.mid(headersAtStop), QStringList{"Folder(s)"});
    QVERIFY(harness.pointer != PointerState::Busy);
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::unreadableFoldersAreSkippedAndReported_data()
{
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<int>("error");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("report"); // a pattern; %1 stands for the temporary folder
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

void tst_walk::unreadableFoldersAreSkippedAndReported()
{
    QFETCH(QStringList, failing);
    QFETCH(int, error);
    QFETCH(QStringList, expected);
    QFETCH(QString, report);
    QTemporaryDir dir;
    makeTree(dir.path(), {"a.txt", "x/b.txt", "x/bad/c.txt", "x/ok/d.txt", "y/e.txt"});
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    for (const QString& folder : failing)
        harness.reader->failures.insert(QFile::encodeName(QDir::cleanPath(dir.path() + '/' + folder)), error);
    harness.desktop.expectError();
    harness.search(dir.path());
    for (QString& line : expected)
        line.prepend(dir.path() + QLatin1Char('/'));
    QCOMPARE(harness.sortedLines(), expected);

    const QString shown = harness.desktop.shownTexts(FakeDesktop::Kind::Error).value(0);
    const QStringList parts = shown.split(QStringLiteral("\r\n"));
    const QRegularExpression pattern(report.arg(QRegularExpression::escape(dir.path())));
    QVERIFY2(pattern.match(parts.first()).hasMatch(), qPrintable(shown));
    QCOMPARE(shown, trapText(parts.first(), 132));
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::linksAreFilesAndNeverFollowed()
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
    QVERIFY(harness.desktop.problems().isEmpty());
}

// More names than one read of a folder returns, and more folders than the
// lister keeps ready ahead of the walk.
void tst_walk::manyFilesAndFoldersAllArrive()
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
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::nameThatIsNotUtf8KeepsItsBytes()
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray name = QByteArray("\xff") + "name1.txt";
    const QByteArray path = folder + '/' + name;
    // Qt cannot remove a name it cannot decode, so the test does.
    struct Cleanup {
        QByteArray path;
        ~Cleanup() { ::unlink(path.constData()); }
    } cleanup{path};
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.phraseBox = QStringLiteral("NAME1");
    harness.search(dir.path());
    QCOMPARE(harness.lines(), QByteArrayList{path});
    QCOMPARE(harness.results.lineText(0), dir.path() + QStringLiteral("/\uFFFDname1.txt"));
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::descriptorsStayBounded_data()
{
    QTest::addColumn<QByteArray>("name"); // of the deep folders; empty for the wide tree
    QTest::addColumn<int>("size");        // levels deep, or subfolders wide
    // Paths longer than any the system takes, in few levels of long names.
    QTest::newRow("deeper than any path") << QByteArray(60, 'd') << 80;
    QTest::newRow("3,000 levels deep") << QByteArray("d") << 3000;
    QTest::newRow("20,000 subfolders") << QByteArray() << 20000;
}

void tst_walk::descriptorsStayBounded()
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

void tst_walk::randomListingOrderKeepsTheWalk_data()
{
    QTest::addColumn<int>("check5");
    QTest::newRow("with subfolders") << 1;
    QTest::newRow("without subfolders") << 0;
}

// Listings that finish in any order still give the lines of a walk with one
// listing in flight, byte for byte, whole or stopped at any file.
void tst_walk::randomListingOrderKeepsTheWalk()
{
    QFETCH(int, check5);
    QTemporaryDir dir;
    makeTree(dir.path(), randomTree(7, 60, 150));
    const QByteArrayList one = walkLines(dir.path(), inFlight(1, 1), check5);
    QVERIFY(!one.isEmpty());
    QRandomGenerator random(11);
    for (size_t seed = 1; seed <= 16; ++seed) {
        const ReadAhead several = inFlight(1 + random.bounded(8), 1 + random.bounded(16));
        QCOMPARE(walkLines(dir.path(), several, check5, -1, seed, 1500), one);
        const qsizetype stopAt = random.bounded(one.size());
        QCOMPARE(walkLines(dir.path(), several, check5, stopAt, seed, 1500), one.mid(0, stopAt));
    }
}

void tst_walk::inFlightStaysWithinTheCap_data()
{
    QTest::addColumn<int>("perFileSystem");
    QTest::addColumn<int>("inAll");
    QTest::addColumn<int>("cap");
    QTest::newRow("per file system") << 3 << 16 << 3;
    QTest::newRow("in all") << 8 << 2 << 2;
    QTest::newRow("one") << 1 << 1 << 1;
}

void tst_walk::inFlightStaysWithinTheCap()
{
    QFETCH(int, perFileSystem);
    QFETCH(int, inAll);
    QFETCH(int, cap);
    QTemporaryDir dir;
    makeTree(dir.path(), randomTree(3, 80, 40));
    const ReadAheadScope scope(inFlight(perFileSystem, inAll));
    Harness harness;
    harness.reader->maxDelayUs = 1000;
    harness.search(dir.path());
    QCOMPARE(harness.lines().size(), 40);
    // Wide enough that every slot was taken at some time.
    QCOMPARE(harness.reader->maxInFlight(), cap);
}

void tst_walk::noListingStartsAfterStop()
{
    QTemporaryDir dir;
    makeTree(dir.path(), randomTree(5, 200, 200));
    Harness harness;
    harness.reader->maxDelayUs = 2000;
    harness.stopAtLine(3);
    harness.search(dir.path());
    QCOMPARE(harness.lines().size(), 3);
    // Listings in flight at Stop may still end; none starts after them.
    QTest::qWait(20);
    const qsizetype started = harness.reader->readPaths().size();
    QTest::qWait(100);
    QCOMPARE(harness.reader->readPaths().size(), started);
    QVERIFY(started < 200);
}

void tst_walk::hungListingWithSeveralInFlight()
{
    QTemporaryDir dir;
    QStringList entries;
    for (int folder = 0; folder < 12; ++folder)
        entries << QStringLiteral("s%1/a1.txt").arg(folder) << QStringLiteral("s%1/b1.txt").arg(folder);
    makeTree(dir.path(), entries);
    const QByteArrayList one = walkLines(dir.path(), inFlight(1, 1), 1);
    QCOMPARE(one.size(), 24);
    // The sixth folder in walk order hangs; the five before it are all shown.
    const QByteArray hung = one.at(10).left(one.at(10).lastIndexOf('/'));
    Harness harness;
    harness.option = ResultForm::PathAndFilename;
    harness.reader->hangAt = hung;
    long long yieldsWhileHanging = 0;
    harness.desktop.onYield = [&](long long) {
        if (harness.reader->hanging && harness.results.lineCount() >= 10 && ++yieldsWhileHanging == 20)
            harness.click();
    };
    harness.search(dir.path());
    QCOMPARE(harness.lines(), one.mid(0, 10));
    QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
    QCOMPARE(harness.pointer, PointerState::Default);
    QVERIFY(harness.desktop.problems().isEmpty());
    QVERIFY(!harness.reader->leftHang);
    harness.reader->release();
    QTRY_VERIFY(harness.reader->leftHang);
}

void tst_walk::hangingListingLeavesTheWindowLive()
{
    QTemporaryDir dir;
    makeTree(dir.path(), {"a1.txt", "slow/b1.txt"});
    Harness harness;
    harness.reader->hangAt = QFile::encodeName(dir.path() + QStringLiteral("/slow"));
    long long yieldsWhileHanging = 0;
    harness.desktop.onYield = [&](long long) {
        if (harness.reader->hanging && ++yieldsWhileHanging == 20)
            harness.click();
    };
    harness.search(dir.path());
    QCOMPARE(harness.sortedLines(), QStringList{"a1.txt"});
    QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
    QVERIFY(harness.pointer != PointerState::Busy);
    QCOMPARE(harness.folders.headerText(), QStringLiteral("Folder(s)"));
    QVERIFY(harness.desktop.problems().isEmpty());
    // The helper is still stuck; once released it ends on its own.
    QVERIFY(!harness.reader->leftHang);
    harness.reader->release();
    QTRY_VERIFY(harness.reader->leftHang);
}

void tst_walk::skipRules_data()
{
    QTest::addColumn<QByteArrayList>("folders");
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<bool>("walkSkipped");
    const QByteArrayList none;
    QTest::newRow("no rules") << none << none << QByteArray("/a/b") << false << false;
    QTest::newRow("the path") << QByteArrayList{"/a/b"} << none << QByteArray("/a/b") << true << true;
    QTest::newRow("below the path") << QByteArrayList{"/a/b"} << none << QByteArray("/a/b/c") << false << true;
    QTest::newRow("a longer name") << QByteArrayList{"/a/b"} << none << QByteArray("/a/bc") << false << false;
    QTest::newRow("above the path") << QByteArrayList{"/a/b"} << none << QByteArray("/a") << false << false;
    QTest::newRow("the root") << QByteArrayList{"/"} << none << QByteArray("/a") << false << true;
    QTest::newRow("the name") << none << QByteArrayList{".git"} << QByteArray("/a/.git") << true << false;
    QTest::newRow("case counts") << none << QByteArrayList{".git"} << QByteArray("/a/.GIT") << false << false;
    QTest::newRow("not UTF-8") << none << QByteArrayList{"\xff"} << QByteArray("/a/\xff") << true << false;
}

void tst_walk::skipRules()
{
    QFETCH(QByteArrayList, folders);
    QFETCH(QByteArrayList, names);
    QFETCH(QByteArray, path);
    QFETCH(bool, skipped);
    QFETCH(bool, walkSkipped);
    SkipRules rules;
    for (const QByteArray& folder : folders)
        rules.addFolder(folder);
    for (const QByteArray& name : names)
        rules.addName(name);
    QCOMPARE(rules.isEmpty(), folders.isEmpty() && names.isEmpty());
    QCOMPARE(rules.skips(path, path.mid(path.lastIndexOf('/') + 1)), skipped);
    QCOMPARE(rules.skipsWalkOf(path), walkSkipped);
}

void tst_walk::skippedFoldersAreNeverOpened_data()
{
    QTest::addColumn<QByteArrayList>("folders"); // below the temporary folder
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<QStringList>("expected"); // as drainFeed gives them
    const QByteArrayList none;
    QTest::newRow("paths, and all below") << QByteArrayList{"/x/hung", "/y/locked", "/x/cache"} << none
                                          << QStringList{": a.txt", "/x: b.txt", "/y: e.txt", "/y/cache: f.txt"};
    QTest::newRow("names, at any depth") << none << QByteArrayList{"hung", "locked", "cache"}
                                         << QStringList{": a.txt", "/x: b.txt", "/y: e.txt"};
    QTest::newRow("the walk's own folder") << QByteArrayList{""} << none << QStringList{};
    QTest::newRow("a folder above the walk's") << QByteArrayList{"/.."} << none << QStringList{};
    // Names skip only below the walk's own folder.
    QTest::newRow("the walk's own name") << none << QByteArrayList{"%1", "hung", "locked"}
                                         << QStringList{": a.txt",         "/x: b.txt",
                                                        "/x/cache: c.txt", "/x/cache/deep: d.txt",
                                                        "/y: e.txt",       "/y/cache: f.txt"};
}

void tst_walk::skippedFoldersAreNeverOpened()
{
    QFETCH(QByteArrayList, folders);
    QFETCH(QByteArrayList, names);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    makeTree(dir.path(), {"a.txt", "x/b.txt", "x/cache/c.txt", "x/cache/deep/d.txt", "x/hung/h.txt", "y/e.txt",
                          "y/cache/f.txt", "y/locked/g.txt"});
    const QByteArray root = QFile::encodeName(dir.path());
    SkipRules rules;
    for (const QByteArray& folder : folders)
        rules.addFolder(QFile::encodeName(QDir::cleanPath(dir.path() + QString::fromUtf8(folder))));
    for (const QByteArray& name : names)
        rules.addName(name == "%1" ? root.mid(root.lastIndexOf('/') + 1) : name);
    auto reader = std::make_shared<ScriptedReader>();
    // Were either opened, one would hang the walk and the other give a box.
    reader->hangAt = root + "/x/hung";
    reader->failures.insert(root + "/y/locked", EACCES);
    {
        FolderFeed feed(reader, root, true, rules);
        const QStringList listed = drainFeed(feed, root);
        QCOMPARE(QSet<QString>(listed.begin(), listed.end()), QSet<QString>(expected.begin(), expected.end()));
    }
    for (const QByteArray& path : reader->readPaths())
        QVERIFY2(!path.endsWith("hung") && !path.endsWith("locked") && !rules.skipsWalkOf(path), path.constData());
    reader->release();
}

// Two folder-list entries, one and two, with folders named cache at several
// depths and a build folder in each. Every file name is unique, so the lines
// of "Just Filename" tell which folders were walked.
const QStringList SkipTree{"one/a1.txt",           "one/cache/a2.txt",          "one/src/a3.txt",
                           "one/src/cache/a4.txt", "one/src/cache/deep/a5.txt", "one/src/lib/cache/a6.txt",
                           "one/build/a7.txt",     "one/build/out/a8.txt",      "two/b1.txt",
                           "two/cache/b2.txt",     "two/build/b3.txt",          "two/Cache/b4.txt"};

void tst_walk::skipEntriesOfTheFolderList_data()
{
    // Entries as they stand in the folder list; %1 is the temporary folder.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt",
                          "a7.txt", "a8.txt", "b1.txt", "b2.txt", "b3.txt", "b4.txt"};
    QTest::newRow("no skip entries") << QStringList{"%1/one", "%1/two"} << all;
    QTest::newRow("a name, at every depth of both entries")
        << QStringList{"%1/one", "-cache", "%1/two"}
        << QStringList{"a1.txt", "a3.txt", "a7.txt", "a8.txt", "b1.txt", "b3.txt", "b4.txt"};
    QTest::newRow("a name placed after the entries")
        << QStringList{"%1/one", "%1/two", "-build"}
        << QStringList{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt", "b1.txt", "b2.txt", "b4.txt"};
    QTest::newRow("a path, with all below it") << QStringList{"-%1/one/build", "%1/one", "%1/two"}
                                               << QStringList{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt",
                                                              "a6.txt", "b1.txt", "b2.txt", "b3.txt", "b4.txt"};
    QTest::newRow("a path two levels down") << QStringList{"%1/one", "-%1/one/src/cache"}
                                            << QStringList{"a1.txt", "a2.txt", "a3.txt", "a6.txt", "a7.txt", "a8.txt"};
    QTest::newRow("a path that is a whole entry")
        << QStringList{"%1/one", "%1/two", "-%1/two"}
        << QStringList{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt", "a7.txt", "a8.txt"};
    QTest::newRow("a path above an entry") << QStringList{"%1/one", "%1/two", "-%1"} << QStringList{};
    QTest::newRow("names and paths together")
        << QStringList{"%1/one", "%1/two", "-cache", "-%1/one/build/out", "-Cache"}
        << QStringList{"a1.txt", "a3.txt", "a7.txt", "b1.txt", "b3.txt"};
}

void tst_walk::skipEntriesOfTheFolderList()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    makeTree(dir.path(), SkipTree);
    Harness harness;
    for (const QString& entry : entries)
        harness.folders.append(QString(entry).replace(QStringLiteral("%1"), dir.path()));
    harness.desktop.expectMessage(QStringLiteral("Done."));
    harness.click();
    QCOMPARE(harness.sortedLines(), expected);
    // Skip entries are never searched themselves.
    for (const QString& header : std::as_const(harness.headers))
        QVERIFY2(!header.startsWith(QStringLiteral("Searching -")), qPrintable(header));
    QVERIFY2(harness.desktop.problems().isEmpty(), qPrintable(harness.desktop.problems().join('\n')));
}

void tst_walk::skippedFolderThatWouldFailGivesNoBox_data()
{
    QTest::addColumn<QString>("skip"); // %1 is the temporary folder
    QTest::addColumn<bool>("box");
    QTest::newRow("not skipped, for comparison") << QString() << true;
    QTest::newRow("skipped by name") << "-cache" << false;
    QTest::newRow("skipped by path") << "-%1/one/src/cache" << false;
}

void tst_walk::skippedFolderThatWouldFailGivesNoBox()
{
    QFETCH(QString, skip);
    QFETCH(bool, box);
    QTemporaryDir dir;
    makeTree(dir.path(), SkipTree);
    Harness harness;
    harness.reader->failures.insert(QFile::encodeName(dir.path() + QStringLiteral("/one/src/cache")), EACCES);
    harness.folders.append(dir.path() + QStringLiteral("/one"));
    if (!skip.isEmpty())
        harness.folders.append(skip.replace(QStringLiteral("%1"), dir.path()));
    if (box)
        harness.desktop.expectError();
    harness.desktop.expectMessage(QStringLiteral("Done."));
    harness.click();
    QVERIFY2(harness.desktop.problems().isEmpty(), qPrintable(harness.desktop.problems().join('\n')));
    QCOMPARE(harness.reader->readPaths().contains(QFile::encodeName(dir.path() + QStringLiteral("/one/src/cache"))),
             box);
}

void tst_walk::onlySkipEntriesIsAnEmptyList()
{
    QTemporaryDir dir;
    makeTree(dir.path(), SkipTree);
    Harness harness;
    harness.folders.append(QStringLiteral("-cache"));
    harness.folders.append(QStringLiteral("-") + dir.path());
    harness.desktop.expectMessage(QStringLiteral("No folders added."),
                                  [&] { QCOMPARE(harness.pointer, PointerState::Busy); });
    harness.click();
    QCOMPARE(harness.results.lineCount(), 0);
    QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
    QCOMPARE(harness.pointer, PointerState::Default);
    QVERIFY(harness.reader->readPaths().isEmpty());
    QVERIFY2(harness.desktop.problems().isEmpty(), qPrintable(harness.desktop.problems().join('\n')));
}

void tst_walk::skipEntryRemovedWithDelete()
{
    QTemporaryDir dir;
    makeTree(dir.path(), SkipTree);
    Harness harness;
    harness.folders.append(QStringLiteral("-cache"));
    // The Delete key of the folder list, on the selected skip entry.
    QItemSelectionModel selection(&harness.folders);
    selection.select(harness.folders.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    removeSelectedRow(&selection, false, [&](int row) { harness.folders.removeEntry(row); });
    QCOMPARE(harness.folders.entryCount(), 0);
    harness.search(dir.path() + QStringLiteral("/two"));
    QCOMPARE(harness.sortedLines(), QStringList({"b1.txt", "b2.txt", "b3.txt", "b4.txt"}));
    QVERIFY(harness.desktop.problems().isEmpty());
}

void tst_walk::skipEntriesThatMatchNothingChangeNoLine()
{
    QTemporaryDir dir;
    makeTree(dir.path(), SkipTree);
    const auto linesOf = [&](const QStringList& skips) {
        Harness harness;
        harness.option = ResultForm::PathAndFilename;
        harness.folders.append(dir.path() + QStringLiteral("/one"));
        for (const QString& skip : skips)
            harness.folders.append(skip);
        harness.search(dir.path() + QStringLiteral("/two"));
        return harness.lines();
    };
    // The same lines in the same order, byte for byte.
    QCOMPARE(linesOf({QStringLiteral("-nowhere"), QStringLiteral("-/no/such/folder")}), linesOf({}));
}

QTEST_GUILESS_MAIN(tst_walk)
#include "tst_walk.moc"

#include "folders/ListRemoval.h"
#include "search/FolderFeed.h"
#include "search/SkipRules.h"
#include "tests/support/ScriptedReader.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

namespace {

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

} // namespace

// Folders left out of a walk: the rules, the skip entries of the folder list
// that make them, and that a skipped folder is never even opened.
class tst_skips : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void skipRules_data();
    void skipRules();
    void skippedFoldersAreNeverOpened_data();
    void skippedFoldersAreNeverOpened();
    void skipEntriesOfTheFolderList_data();
    void skipEntriesOfTheFolderList();
    void skipEntryRemovedWithDelete();
    void skipEntriesThatMatchNothingChangeNoLine();

private:
    QString tree(const QString& name = QString()) const { return name.isEmpty() ? tree_.path() : tree_.filePath(name); }

    QTemporaryDir tree_;
};

// Two folder-list entries, one and two, with folders named cache at several
// depths and a build folder in each. Every file name is unique, so the lines
// of "Just Filename" tell which folders were walked. Beside them, the folder
// that feeds are drained from.
void tst_skips::initTestCase()
{
    QVERIFY(tree_.isValid());
    makeTree(tree(),
             {"one/a1.txt", "one/cache/a2.txt", "one/src/a3.txt", "one/src/cache/a4.txt", "one/src/cache/deep/a5.txt",
              "one/src/lib/cache/a6.txt", "one/build/a7.txt", "one/build/out/a8.txt", "two/b1.txt", "two/cache/b2.txt",
              "two/build/b3.txt", "two/Cache/b4.txt"});
    makeTree(tree(QStringLiteral("feed")), {"a.txt", "x/b.txt", "x/cache/c.txt", "x/cache/deep/d.txt", "x/hung/h.txt",
                                            "y/e.txt", "y/cache/f.txt", "y/locked/g.txt"});
}

void tst_skips::skipRules_data()
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
    QTest::newRow("a path as given") << QByteArrayList{"/a//b/"} << none << QByteArray("/a/b") << true << true;
    QTest::newRow("a longer name") << QByteArrayList{"/a/b"} << none << QByteArray("/a/bc") << false << false;
    QTest::newRow("above the path") << QByteArrayList{"/a/b"} << none << QByteArray("/a") << false << false;
    QTest::newRow("the root") << QByteArrayList{"/"} << none << QByteArray("/a") << false << true;
    QTest::newRow("the name") << none << QByteArrayList{".git"} << QByteArray("/a/.git") << true << false;
    QTest::newRow("case counts") << none << QByteArrayList{".git"} << QByteArray("/a/.GIT") << false << false;
    QTest::newRow("not UTF-8") << none << QByteArrayList{"\xff"} << QByteArray("/a/\xff") << true << false;
}

void tst_skips::skipRules()
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

void tst_skips::skippedFoldersAreNeverOpened_data()
{
    QTest::addColumn<QByteArrayList>("folders"); // below the walked folder
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

void tst_skips::skippedFoldersAreNeverOpened()
{
    QFETCH(QByteArrayList, folders);
    QFETCH(QByteArrayList, names);
    QFETCH(QStringList, expected);
    const QString feedRoot = tree(QStringLiteral("feed"));
    const QByteArray root = QFile::encodeName(feedRoot);
    SkipRules rules;
    for (const QByteArray& folder : folders)
        rules.addFolder(QFile::encodeName(QDir::cleanPath(feedRoot + QString::fromUtf8(folder))));
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

void tst_skips::skipEntriesOfTheFolderList_data()
{
    // Entries as they stand in the folder list, and folders below the shared tree, %1.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("failing"); // a folder that cannot be read, if any
    QTest::addColumn<bool>("box");        // whether its error box shows
    QTest::addColumn<QString>("closing");
    QTest::addColumn<QStringList>("unread"); // never read, nor anything below
    const auto row = [](const char* name, const QStringList& entries, const QStringList& expected,
                        const QStringList& unread = {}, const char* failing = "", bool box = false,
                        const char* closing = "Done.") {
        QTest::newRow(name) << entries << expected << failing << box << closing << unread;
    };
    const QStringList all{"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt",
                          "a7.txt", "a8.txt", "b1.txt", "b2.txt", "b3.txt", "b4.txt"};
    row("no skip entries", {"%1/one", "%1/two"}, all);
    row("a name, at every depth of both entries", {"%1/one", "-cache", "%1/two"},
        {"a1.txt", "a3.txt", "a7.txt", "a8.txt", "b1.txt", "b3.txt", "b4.txt"},
        {"one/cache", "one/src/cache", "one/src/lib/cache", "two/cache"});
    row("a name placed after the entries", {"%1/one", "%1/two", "-build"},
        {"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt", "b1.txt", "b2.txt", "b4.txt"},
        {"one/build", "two/build"});
    row("a path, with all below it", {"-%1/one/build", "%1/one", "%1/two"},
        {"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt", "b1.txt", "b2.txt", "b3.txt", "b4.txt"},
        {"one/build"});
    row("a path two levels down", {"%1/one", "-%1/one/src/cache"},
        {"a1.txt", "a2.txt", "a3.txt", "a6.txt", "a7.txt", "a8.txt"}, {"one/src/cache"});
    row("a path that is a whole entry", {"%1/one", "%1/two", "-%1/two"},
        {"a1.txt", "a2.txt", "a3.txt", "a4.txt", "a5.txt", "a6.txt", "a7.txt", "a8.txt"}, {"two"});
    row("a path above an entry", {"%1/one", "%1/two", "-%1"}, {}, {""});
    row("names and paths together", {"%1/one", "%1/two", "-cache", "-%1/one/build/out", "-Cache"},
        {"a1.txt", "a3.txt", "a7.txt", "b1.txt", "b3.txt"}, {"one/build/out", "two/Cache"});
    // A skipped folder that would fail gives no box.
    const QStringList oneWithoutItsCache{"a1.txt", "a2.txt", "a3.txt", "a6.txt", "a7.txt", "a8.txt"};
    row("unreadable, not skipped", {"%1/one"}, oneWithoutItsCache, {}, "one/src/cache", true);
    row("unreadable, skipped by name", {"%1/one", "-cache"}, {"a1.txt", "a3.txt", "a7.txt", "a8.txt"},
        {"one/src/cache"}, "one/src/cache");
    row("unreadable, skipped by path", {"%1/one", "-%1/one/src/cache"}, oneWithoutItsCache, {"one/src/cache"},
        "one/src/cache");
    // Nothing left to walk is an empty list.
    row("only skip entries", {"-cache", "-%1"}, {}, {""}, "", false, "No folders added.");
}

void tst_skips::skipEntriesOfTheFolderList()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    QFETCH(QString, failing);
    QFETCH(bool, box);
    QFETCH(QString, closing);
    QFETCH(QStringList, unread);
    Harness harness;
    for (const QString& entry : entries)
        harness.folders.append(QString(entry).replace(QStringLiteral("%1"), tree()));
    if (!failing.isEmpty())
        harness.reader->failures.insert(QFile::encodeName(tree(failing)), EACCES);
    if (box)
        harness.desktop.expectError();
    harness.desktop.expectMessage(closing, [&] { QCOMPARE(harness.pointer, PointerState::Busy); });
    harness.click();
    QCOMPARE(harness.sortedLines(), expected);
    QCOMPARE(harness.caption, QStringLiteral("Start Searching"));
    QCOMPARE(harness.pointer, PointerState::Default);
    // Skip entries are never searched themselves.
    for (const QString& header : std::as_const(harness.headers))
        QVERIFY2(!header.startsWith(QStringLiteral("Searching -")), qPrintable(header));
    for (const QByteArray& path : harness.reader->readPaths())
        for (const QString& folder : unread) {
            const QByteArray skipped = QFile::encodeName(tree(folder));
            QVERIFY2(path != skipped && !path.startsWith(skipped + '/'), path.constData());
        }
}

void tst_skips::skipEntryRemovedWithDelete()
{
    Harness harness;
    harness.folders.append(QStringLiteral("-cache"));
    // The Delete key of the folder list, on the selected skip entry.
    QItemSelectionModel selection(&harness.folders);
    selection.select(harness.folders.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    removeSelectedRow(&selection, false, [&](int row) { harness.folders.removeEntry(row); });
    QCOMPARE(harness.folders.entryCount(), 0);
    harness.search(tree() + QStringLiteral("/two"));
    QCOMPARE(harness.sortedLines(), QStringList({"b1.txt", "b2.txt", "b3.txt", "b4.txt"}));
}

void tst_skips::skipEntriesThatMatchNothingChangeNoLine()
{
    const auto linesOf = [&](const QStringList& skips) {
        Harness harness;
        harness.option = ResultForm::PathAndFilename;
        harness.folders.append(tree() + QStringLiteral("/one"));
        for (const QString& skip : skips)
            harness.folders.append(skip);
        harness.search(tree() + QStringLiteral("/two"));
        return harness.lines();
    };
    // The same lines in the same order, byte for byte.
    QCOMPARE(linesOf({QStringLiteral("-nowhere"), QStringLiteral("-/no/such/folder")}), linesOf({}));
}

QTEST_GUILESS_MAIN(tst_skips)
#include "tst_skips.moc"

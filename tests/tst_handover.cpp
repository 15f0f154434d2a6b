#include "common/StepTrap.h"
#include "results/ContainingFolder.h"
#include "results/FileHandover.h"
#include "results/ResultModel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/ResultLists.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

const QString UriList = QStringLiteral("text/uri-list");
const QString CopiedFiles = QStringLiteral("x-special/gnome-copied-files");
const QString Location = QStringLiteral("in Tests.CopyFiles ");

// A folder with a file, a subfolder and a file whose name is not UTF-8.
struct Items {
    Items()
    {
        makeTree(dir.path(), {"a b.txt", "sub/"});
        ::close(::open((root + "/caf\xe9.txt").constData(), O_CREAT | O_WRONLY, 0644));
    }

    // Lines as the result list holds them; %1 is the folder.
    QByteArrayList lines(const QByteArrayList& patterns) const
    {
        QByteArrayList all;
        for (QByteArray pattern : patterns)
            all << pattern.replace("%1", root);
        return all;
    }

    QTemporaryDir dir;
    QByteArray root = QFile::encodeName(dir.path());
};

QByteArrayList contents(const ResultModel& list)
{
    QByteArrayList all;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        all << list.lineBytes(line).toByteArray() + (list.isChecked(line) ? " [x]" : "");
    return all;
}

} // namespace

class tst_handover : public QObject {
    Q_OBJECT
private slots:
    void handedOver_data();
    void handedOver();
    void urlMapsBackToTheExactBytes();
    void dragOffersTheSelectedLinesForCopyOnly();
    void copyTickedAsFiles_data();
    void copyTickedAsFiles();
    void editWhileLookingHandsOverTheListOfOneMoment_data();
    void editWhileLookingHandsOverTheListOfOneMoment();
    void clipboardHeldByAnotherProgram();
    void openContainingFolder_data();
    void openContainingFolder();
};

void tst_handover::handedOver_data()
{
    QTest::addColumn<QByteArrayList>("lines"); // %1 is the folder
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArrayList>("urls"); // %1 is the folder, percent-encoded
    const QByteArrayList none;
    QTest::newRow("a full path") << QByteArrayList{"%1/a b.txt"} << "%1/a b.txt" << QByteArrayList{"%1/a%20b.txt"};
    QTest::newRow("a folder path") << QByteArrayList{"%1/sub"} << "%1/sub" << QByteArrayList{"%1/sub"};
    QTest::newRow("names only") << QByteArrayList{"a b.txt", "sub"} << "a b.txt\nsub" << none;
    QTest::newRow("a path that no longer exists") << QByteArrayList{"%1/gone.txt"} << "%1/gone.txt" << none;
    QTest::newRow("a relative path") << QByteArrayList{"./sub"} << "./sub" << none;
    QTest::newRow("not UTF-8") << QByteArrayList{"%1/caf\xe9.txt"} << "%1/caf\uFFFD.txt"
                               << QByteArrayList{"%1/caf%E9.txt"};
    QTest::newRow("a mix, in order") << QByteArrayList{"a b.txt", "%1/a b.txt", "%1/gone.txt", "%1/caf\xe9.txt",
                                                       "%1/sub"}
                                     << "a b.txt\n%1/a b.txt\n%1/gone.txt\n%1/caf\uFFFD.txt\n%1/sub"
                                     << QByteArrayList{"%1/a%20b.txt", "%1/caf%E9.txt", "%1/sub"};
}

void tst_handover::handedOver()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QString, text);
    QFETCH(QByteArrayList, urls);
    const Items items;
    const FileHandover handover(items.lines(lines));
    QByteArray uriList;
    QByteArray copied = "copy";
    for (const QByteArray& url : urls) {
        const QByteArray full = "file://" + QByteArray(url).replace("%1", items.root.toPercentEncoding("/"));
        uriList += full + "\r\n";
        copied += '\n' + full;
    }
    const QString decodedText = text.arg(items.dir.path());
    QCOMPARE(handover.fileCount(), urls.size());

    const std::unique_ptr<QMimeData> drag = handover.dragData();
    QCOMPARE(drag->text(), decodedText);
    QCOMPARE(drag->hasFormat(UriList), !urls.isEmpty());
    QCOMPARE(drag->data(UriList), uriList);
    QVERIFY(!drag->hasFormat(CopiedFiles));

    const std::unique_ptr<QMimeData> paste = handover.pasteData();
    QCOMPARE(paste->text(), decodedText);
    QCOMPARE(paste->data(UriList), uriList);
    QCOMPARE(paste->hasFormat(CopiedFiles), !urls.isEmpty());
    if (!urls.isEmpty())
        QCOMPARE(paste->data(CopiedFiles), copied);
}

void tst_handover::urlMapsBackToTheExactBytes()
{
    const Items items;
    const QByteArray path = items.root + "/caf\xe9.txt";
    const FileHandover handover({path});
    QByteArray url = handover.dragData()->data(UriList);
    QVERIFY(url.startsWith("file://") && url.endsWith("\r\n"));
    url = url.mid(7, url.size() - 9);
    QVERIFY2(!url.contains('\xe9'), url.constData());
    const QByteArray back = QByteArray::fromPercentEncoding(url);
    QCOMPARE(back, path);
    // What a file manager reads from it opens the real file.
    struct stat status = {};
    QCOMPARE(::stat(back.constData(), &status), 0);
}

void tst_handover::dragOffersTheSelectedLinesForCopyOnly()
{
    const Items items;
    ResultModel list;
    appendLines(list, items.lines({"%1/a b.txt", "sub", "%1/sub"}), {true, false, false});
    list.showPendingLines();
    const QByteArrayList before = contents(list);
    QCOMPARE(list.supportedDragActions(), Qt::DropActions(Qt::CopyAction));
    QVERIFY(list.flags(list.index(1, 0)).testFlag(Qt::ItemIsDragEnabled));
    QVERIFY(list.mimeTypes().contains(UriList));
    // Rows come in the list's order, each once, whatever order the cells do.
    const std::unique_ptr<QMimeData> data(list.mimeData({list.index(2, 0), list.index(1, 0), list.index(2, 0)}));
    QCOMPARE(data->text(), QStringLiteral("sub\n%1/sub").arg(items.dir.path()));
    QCOMPARE(data->data(UriList), "file://" + items.root.toPercentEncoding("/") + "/sub\r\n");
    QCOMPARE(contents(list), before);
}

void tst_handover::copyTickedAsFiles_data()
{
    QTest::addColumn<QByteArrayList>("lines"); // %1 is the folder
    QTest::addColumn<QList<bool>>("ticks");
    QTest::addColumn<QString>("text"); // empty when nothing may be copied
    QTest::addColumn<int>("files");
    const QByteArrayList mix{"%1/a b.txt", "a b.txt", "%1/gone.txt", "%1/caf\xe9.txt", "%1/sub"};
    QTest::newRow("ticked lines only") << mix << QList<bool>{true, true, true, false, true}
                                       << "%1/a b.txt\na b.txt\n%1/gone.txt\n%1/sub" << 2;
    QTest::newRow("all ticked") << mix << QList<bool>{true, true, true, true, true}
                                << "%1/a b.txt\na b.txt\n%1/gone.txt\n%1/caf\uFFFD.txt\n%1/sub" << 3;
    QTest::newRow("no ticked line names a file") << mix << QList<bool>{false, true, true, false, false} << "" << 0;
    QTest::newRow("nothing ticked") << mix << QList<bool>{} << "" << 0;
    QTest::newRow("an empty list") << QByteArrayList{} << QList<bool>{} << "" << 0;
}

void tst_handover::copyTickedAsFiles()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QList<bool>, ticks);
    QFETCH(QString, text);
    QFETCH(int, files);
    const Items items;
    ResultModel list;
    appendLines(list, items.lines(lines), ticks);
    list.showPendingLines();
    const QByteArrayList before = contents(list);
    FakeDesktop desktop;
    StepTrap trap(desktop, Location);
    desktop.clipboard = QStringLiteral("kept");
    if (files == 0)
        desktop.expectMessage(QStringLiteral("None of the ticked lines is the full path of a file or folder that "
                                             "exists, so nothing was copied."));
    ::copyTickedAsFiles(trap, desktop, list);
    QCOMPARE(contents(list), before);
    // "Copy Results To Clipboard" has its own text, which this leaves alone.
    QCOMPARE(desktop.clipboard, QStringLiteral("kept"));
    if (files == 0) {
        QVERIFY(desktop.clipboardData.isEmpty());
        return;
    }
    QCOMPARE(QString::fromUtf8(desktop.clipboardData.value(QStringLiteral("text/plain"))), text.arg(items.dir.path()));
    QCOMPARE(desktop.clipboardData.value(UriList).count("\r\n"), files);
    QVERIFY(desktop.clipboardData.value(CopiedFiles).startsWith("copy\nfile://"));
    QCOMPARE(desktop.clipboardData.value(CopiedFiles).count('\n'), files);
}

void tst_handover::editWhileLookingHandsOverTheListOfOneMoment_data()
{
    QTest::addColumn<int>("edit");
    for (const auto& [name, edit] : {std::pair{"a search appends", ListEdit::Append},
                                     {"Invert Ticks", ListEdit::Tick},
                                     {"Delete", ListEdit::Delete},
                                     {"Undo", ListEdit::Undo},
                                     {"Redo", ListEdit::Redo},
                                     {"a filter", ListEdit::Filter},
                                     {"Clear Results", ListEdit::Clear}})
        QTest::newRow(name) << int(edit);
}

void tst_handover::editWhileLookingHandsOverTheListOfOneMoment()
{
    QFETCH(int, edit);
    const Items items;
    ResultModel list;
    appendLines(list, items.lines({"%1/a b.txt", "a b.txt", "%1/sub"}), {true, false, true});
    giveHistory(list);
    FakeDesktop desktop;
    StepTrap trap(desktop, Location);
    // Slow looks, so the window yields while they run.
    LookupOptions slowLookup;
    slowLookup.call = [](const QByteArray& path) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return lstatFinds(path);
    };
    slowLookup.patience = std::chrono::seconds(5);
    bool edited = false;
    desktop.onYield = [&](long long count) {
        if (count == 1) {
            editList(list, ListEdit(edit));
            edited = true;
        }
    };

    ::copyTickedAsFiles(trap, desktop, list, slowLookup);

    QVERIFY(edited);
    QCOMPARE(QString::fromUtf8(desktop.clipboardData.value(QStringLiteral("text/plain"))),
             QStringLiteral("%1/a b.txt\n%1/sub").arg(items.dir.path()));
    QCOMPARE(desktop.clipboardData.value(UriList).count("\r\n"), 2);
}

void tst_handover::clipboardHeldByAnotherProgram()
{
    const Items items;
    ResultModel list;
    appendLines(list, items.lines({"%1/sub"}), {true});
    list.showPendingLines();
    FakeDesktop desktop;
    StepTrap trap(desktop, Location);
    // Held for a while, then free.
    desktop.setDataFailuresLeft = 5;
    ::copyTickedAsFiles(trap, desktop, list);
    QCOMPARE(desktop.setDataAttempts, 6);
    QVERIFY(desktop.clipboardData.contains(UriList));
    // Held throughout: said, not hidden.
    desktop.clipboardData.clear();
    desktop.setDataFailuresLeft = 1000;
    desktop.expectError(StepTrap::composeText(
        QStringLiteral("The clipboard is held by another program; nothing was copied"), Location, 106));
    ::copyTickedAsFiles(trap, desktop, list);
    QVERIFY(desktop.clipboardData.isEmpty());
}

void tst_handover::openContainingFolder_data()
{
    QTest::addColumn<QByteArray>("line"); // %1 is the folder
    QTest::addColumn<bool>("shown");
    QTest::newRow("Path and Filename") << QByteArray("%1/a b.txt") << true;
    QTest::newRow("Just Path") << QByteArray("%1/sub") << true;
    QTest::newRow("not UTF-8") << QByteArray("%1/caf\xe9.txt") << true;
    QTest::newRow("Just Filename") << QByteArray("a b.txt") << false;
    QTest::newRow("Just Subfolder") << QByteArray("sub") << false;
    QTest::newRow("a path that no longer exists") << QByteArray("%1/gone.txt") << false;
    QTest::newRow("a NUL inside") << QByteArray("%1/sub\0x", 8) << false;
}

void tst_handover::openContainingFolder()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, shown);
    const Items items;
    const QByteArray path = items.lines({line}).constFirst();
    ContainingFolder folder(path);
    // The answer comes back to this thread through its event loop.
    QObject context;
    bool settled = false;
    folder.whenSettled(&context, [&] { settled = true; });
    QTRY_VERIFY(settled);
    QCOMPARE(folder.offered(), shown);
    FakeDesktop desktop;
    folder.open(desktop);
    QCOMPARE(desktop.shownInFileManager, shown ? QByteArrayList{path} : QByteArrayList{});
}

QTEST_GUILESS_MAIN(tst_handover)
#include "tst_handover.moc"

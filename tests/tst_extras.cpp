#include "app/PointerFeedback.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {

// Appends the lines "/r/<position>" with the ticks of a pattern such as "0110".
void appendResults(ResultModel& list, const QString& ticks)
{
    for (const QChar tick : ticks) {
        const qsizetype line = list.lineCount();
        list.append(QByteArray("/r/") + QByteArray::number(line));
        list.setChecked(line, tick == QLatin1Char('1'));
    }
}

QString tickPattern(const ResultModel& list)
{
    QString ticks;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        ticks += list.isChecked(line) ? QLatin1Char('1') : QLatin1Char('0');
    return ticks;
}

// The outcome of one drag from entering the window to the drop.
struct DragOutcome {
    bool enterAccepted = false;
    bool moveAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

DragOutcome dragOnto(Form1& form, QWidget* part, const QList<QUrl>& urls, Qt::DropActions offered,
                     Qt::KeyboardModifiers modifiers)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = part->mapTo(&form, part->rect().center());
    QWindow* window = form.windowHandle();
    DragOutcome outcome;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(window, &enter);
    outcome.enterAccepted = enter.isAccepted();
    QDragMoveEvent move(at + QPoint(1, 1), offered, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(window, &move);
    outcome.moveAccepted = move.isAccepted();
    QDropEvent drop(at + QPoint(1, 1), offered, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(window, &drop);
    outcome.dropAccepted = drop.isAccepted();
    outcome.action = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    return outcome;
}

} // namespace

class tst_extras : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void droppedFolders_data();
    void droppedFolders();
    void dropOverTheHeaderOrDuringASearch();
    void tickCommands_data();
    void tickCommands();
    void tickAllDuringASearchTicksTheLinesPresent();
    void spaceTogglesTheCurrentLine_data();
    void spaceTogglesTheCurrentLine();

private:
    QTemporaryDir tree_;
};

void tst_extras::initTestCase()
{
    QVERIFY(tree_.isValid());
    makeTree(tree_.path(), {"alpha/inner/", "beta/", "notes.txt"});
    QVERIFY(QFile::link(tree_.filePath(QStringLiteral("alpha")), tree_.filePath(QStringLiteral("to-alpha"))));
}

void tst_extras::droppedFolders_data()
{
    // Names below the tree are local files; names with a scheme are taken as they are.
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<int>("offered"); // Qt::DropActions
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("entries"); // below the tree
    QTest::addColumn<int>("action");          // what the source is told; IgnoreAction when refused
    const int copyOrMove = int(Qt::CopyAction | Qt::MoveAction);
    const int none = int(Qt::NoModifier);
    QTest::newRow("two folders, in the order dropped")
        << QStringList{"beta", "alpha"} << copyOrMove << none << QStringList{"beta", "alpha"} << int(Qt::CopyAction);
    QTest::newRow("files and remote URLs are passed over")
        << QStringList{"notes.txt", "https://example.org/alpha", "alpha", "sftp://host/srv", "beta"} << copyOrMove
        << none << QStringList{"alpha", "beta"} << int(Qt::CopyAction);
    QTest::newRow("the same folder twice")
        << QStringList{"alpha", "alpha"} << copyOrMove << none << QStringList{"alpha", "alpha"} << int(Qt::CopyAction);
    QTest::newRow("normalised") << QStringList{"alpha//inner"} << copyOrMove << none << QStringList{"alpha/inner"}
                                << int(Qt::CopyAction);
    QTest::newRow("a link to a folder") << QStringList{"to-alpha"} << copyOrMove << none << QStringList{"to-alpha"}
                                        << int(Qt::CopyAction);
    // Taken by the URLs alone, so a drag over a dead mount never waits; the drop finds no folder.
    QTest::newRow("local items, none a folder") << QStringList{"notes.txt", "https://example.org/", "gone"}
                                                << copyOrMove << none << QStringList{} << int(Qt::CopyAction);
    QTest::newRow("nothing of this machine") << QStringList{"https://example.org/", "sftp://host/srv"} << copyOrMove
                                             << none << QStringList{} << int(Qt::IgnoreAction);
    // A move would let the file manager delete the folder it dragged.
    QTest::newRow("Shift proposes a move, taken as a copy")
        << QStringList{"alpha"} << copyOrMove << int(Qt::ShiftModifier) << QStringList{"alpha"} << int(Qt::CopyAction);
    QTest::newRow("a link when nothing else is offered")
        << QStringList{"alpha"} << int(Qt::LinkAction) << none << QStringList{"alpha"} << int(Qt::LinkAction);
    QTest::newRow("a move only is refused")
        << QStringList{"alpha"} << int(Qt::MoveAction) << none << QStringList{} << int(Qt::IgnoreAction);
}

void tst_extras::droppedFolders()
{
    QFETCH(QStringList, dropped);
    QFETCH(int, offered);
    QFETCH(int, modifiers);
    QFETCH(QStringList, entries);
    QFETCH(int, action);
    ShownForm shown;
    Form1& form = *shown.form;
    // The arrow tells "untouched" from "set back to the default".
    form.pointer().setState(PointerState::Arrow);
    QList<QUrl> urls;
    for (const QString& name : dropped)
        urls << (name.contains(QLatin1Char(':')) ? QUrl(name) : QUrl::fromLocalFile(tree_.filePath(name)));

    const DragOutcome outcome = dragOnto(form, controlOf<QTableView>(form, "ListView1")->viewport(), urls,
                                         Qt::DropActions(offered), Qt::KeyboardModifiers(modifiers));

    const bool taken = action != int(Qt::IgnoreAction);
    QCOMPARE(outcome.enterAccepted, taken);
    QCOMPARE(outcome.moveAccepted, taken);
    QCOMPARE(outcome.dropAccepted, taken);
    QCOMPARE(int(outcome.action), action);
    QStringList expected;
    for (const QString& entry : entries)
        expected << tree_.filePath(entry);
    QCOMPARE(shown.folderEntries(), expected);
    QCOMPARE(form.pointer().state(), entries.isEmpty() ? PointerState::Arrow : PointerState::Default);
    QCOMPARE(shown.settings->read(QStringLiteral("LastFolder"), QStringLiteral("unset")), QStringLiteral("unset"));
}

void tst_extras::dropOverTheHeaderOrDuringASearch()
{
    ShownForm shown;
    Form1& form = *shown.form;
    const QUrl alpha = QUrl::fromLocalFile(tree_.filePath(QStringLiteral("alpha")));
    const QUrl beta = QUrl::fromLocalFile(tree_.filePath(QStringLiteral("beta")));
    dragOnto(form, controlOf<QTableView>(form, "ListView1")->horizontalHeader(), {alpha}, Qt::CopyAction,
             Qt::NoModifier);
    QCOMPARE(shown.folderEntries(), QStringList{alpha.toLocalFile()});

    // Dropped during a run: appended at once, not walked by that run.
    makeTree(tree_.path(), {"beta/b.txt"});
    bool dropped = false;
    shown.desktop.onYield = [&](long long) {
        if (dropped)
            return;
        dropped = true;
        dragOnto(form, controlOf<QTableView>(form, "ListView1")->viewport(), {beta}, Qt::CopyAction, Qt::NoModifier);
        QCOMPARE(form.folderList().entryCount(), 2);
        QCOMPARE(form.pointer().state(), PointerState::Default);
    };
    shown.desktop.expectMessage(QStringLiteral("Done."));
    controlOf<QLineEdit>(form, "Text1")->setText(QStringLiteral("b.txt"));
    controlOf<QPushButton>(form, "PushButton1")->click();
    QVERIFY(dropped);
    QCOMPARE(shown.folderEntries(), (QStringList{alpha.toLocalFile(), beta.toLocalFile()}));
    QCOMPARE(form.resultList().lineCount(), 0);
}

void tst_extras::tickCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("shown");   // ticks of the lines the view shows
    QTest::addColumn<QString>("pending"); // ticks of lines appended but not yet shown
    QTest::addColumn<QString>("after");
    QTest::newRow("Tick All") << "Tick All"
                              << "01001"
                              << "01"
                              << "1111111";
    QTest::newRow("Untick All") << "Untick All"
                                << "01101"
                                << "10"
                                << "0000000";
    QTest::newRow("Invert Ticks") << "Invert Ticks"
                                  << "01101"
                                  << "10"
                                  << "1001001";
    QTest::newRow("only lines not yet shown") << "Invert Ticks"
                                              << ""
                                              << "10"
                                              << "01";
    QTest::newRow("an empty list") << "Tick All"
                                   << ""
                                   << ""
                                   << "";
}

void tst_extras::tickCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, shown);
    QFETCH(QString, pending);
    QFETCH(QString, after);
    FormFixture fixture;
    Form1& form = *fixture.form;
    ResultModel& list = form.resultList();
    appendResults(list, shown);
    list.showPendingLines();
    appendResults(list, pending); // these wait for the next batch
    QCOMPARE(list.rowCount(), shown.size());
    const bool selected = !shown.isEmpty();
    if (selected)
        controlOf<QTableView>(form, "ListView2")->selectRow(0);
    QSignalSpy changes(&list, &QAbstractItemModel::dataChanged);

    QAction* action = fixture.command(2, command);
    QVERIFY(action);
    action->trigger();

    QCOMPARE(tickPattern(list), after);
    QCOMPARE(list.rowCount(), after.size());
    if (after.isEmpty()) {
        QCOMPARE(changes.count(), 0);
        return;
    }
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toModelIndex().row(), 0);
    QCOMPARE(changes.at(0).at(1).toModelIndex().row(), after.size() - 1);
    QCOMPARE(changes.at(0).at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    QCOMPARE(list.lineText(after.size() - 1), QStringLiteral("/r/%1").arg(after.size() - 1));
    // The single selection stays where it was.
    QCOMPARE(controlOf<QTableView>(form, "ListView2")->selectionModel()->selectedRows().size(), selected ? 1 : 0);
    QCOMPARE(controlOf<QTableView>(form, "ListView2")->currentIndex().row(), selected ? 0 : -1);
}

void tst_extras::tickAllDuringASearchTicksTheLinesPresent()
{
    ShownForm fixture;
    Form1& form = *fixture.form;
    QTemporaryDir folder;
    makeTree(folder.path(), numberedFiles(6));
    fixture.desktop.onYield = [&](long long) {
        if (form.resultList().lineCount() == 2 && !form.resultList().isChecked(0))
            fixture.command(2, QStringLiteral("Tick All"))->trigger();
    };
    fixture.desktop.expectMessage(QStringLiteral("Done."));
    form.folderList().append(folder.path());
    controlOf<QLineEdit>(form, "Text1")->setText(QStringLiteral(".txt"));
    controlOf<QPushButton>(form, "PushButton1")->click();
    QCOMPARE(tickPattern(form.resultList()), QStringLiteral("110000"));
}

void tst_extras::spaceTogglesTheCurrentLine_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("current"); // -1: none
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("after");
    QTest::newRow("ticks an unticked line") << "000" << 1 << 1 << "010";
    QTest::newRow("unticks a ticked line") << "110" << 0 << 1 << "010";
    QTest::newRow("twice is as before") << "101" << 2 << 2 << "101";
    QTest::newRow("no current line") << "010" << -1 << 1 << "010";
}

void tst_extras::spaceTogglesTheCurrentLine()
{
    QFETCH(QString, before);
    QFETCH(int, current);
    QFETCH(int, presses);
    QFETCH(QString, after);
    ShownForm shown;
    Form1& form = *shown.form;
    appendResults(form.resultList(), before);
    form.resultList().showPendingLines();
    controlOf<QTableView>(form, "ListView2")->selectionModel()->clear();
    if (current >= 0)
        controlOf<QTableView>(form, "ListView2")->selectRow(current);
    for (int press = 0; press < presses; ++press)
        QTest::keyClick(controlOf<QTableView>(form, "ListView2"), Qt::Key_Space);
    QCOMPARE(tickPattern(form.resultList()), after);
    QCOMPARE(form.resultList().lineCount(), before.size());
}

QTEST_MAIN(tst_extras)
#include "tst_extras.moc"

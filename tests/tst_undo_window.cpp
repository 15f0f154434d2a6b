#include "app/PointerFeedback.h"
#include "common/StepTrap.h"
#include "results/ResultModel.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestFiles.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

// A loaded, shown window whose result list holds "a b c", "b" selected and
// the list in focus.
struct UndoFixture {
    UndoFixture()
    {
        for (const char* line : {"a", "b", "c"})
            form().resultList().append(line);
        form().resultList().showPendingLines();
        results->selectRow(1);
        results->setFocus();
    }

    Form1& form() { return *fixture.form; }

    QString lines()
    {
        QStringList lines;
        for (qsizetype line = 0; line < form().resultList().lineCount(); ++line)
            lines << form().resultList().lineText(line);
        return lines.join(QLatin1Char(' '));
    }

    void press(const QString& keys)
    {
        for (const QString& key : keys.split(QStringLiteral(", "), Qt::SkipEmptyParts))
            QTest::keySequence(results, QKeySequence(key));
    }

    // Undo and Redo as the menu shows them: enabled or greyed.
    QList<bool> menuState()
    {
        fixture.rightClick(2);
        QList<bool> state{controlOf<QAction>(form(), "mnuUndo")->isEnabled(),
                          controlOf<QAction>(form(), "mnuRedo")->isEnabled()};
        fixture.menuOf(2)->hide();
        return state;
    }

    ShownForm fixture;
    QTableView* results = fixture.list(2);
};

} // namespace

class tst_undo_window : public QObject {
    Q_OBJECT
private slots:
    void keysUndoAndRedo_data();
    void keysUndoAndRedo();
    void everyTrimOfTheWindowIsUndone_data();
    void everyTrimOfTheWindowIsUndone();
    void sortAndDuplicatesFromTheMenu_data();
    void sortAndDuplicatesFromTheMenu();
    void keysWhileTheListIsHandedOver_data();
    void keysWhileTheListIsHandedOver();
};

void tst_undo_window::keysUndoAndRedo_data()
{
    QTest::addColumn<QString>("before"); // keys pressed before the pointer may turn busy
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QList<bool>>("menu"); // Undo, Redo enabled
    QTest::newRow("nothing to undo") << "" << false << "Ctrl+Z, Ctrl+Y"
                                     << "a b c" << QList<bool>{false, false};
    QTest::newRow("Delete") << "Del" << false << ""
                            << "a c" << QList<bool>{true, false};
    QTest::newRow("Ctrl+Z undoes") << "Del" << false << "Ctrl+Z"
                                   << "a b c" << QList<bool>{false, true};
    QTest::newRow("Ctrl+Shift+Z redoes") << "Del" << false << "Ctrl+Z, Ctrl+Shift+Z"
                                         << "a c" << QList<bool>{true, false};
    QTest::newRow("Ctrl+Y redoes") << "Del" << false << "Ctrl+Z, Ctrl+Y"
                                   << "a c" << QList<bool>{true, false};
    QTest::newRow("Z alone is no key of them") << "Del" << false << "Z, Shift+Z"
                                               << "a c" << QList<bool>{true, false};
    QTest::newRow("nor is Ctrl+Alt+Z") << "Del" << false << "Ctrl+Alt+Z"
                                       << "a c" << QList<bool>{true, false};
    QTest::newRow("once undone, no more") << "Del" << false << "Ctrl+Z, Ctrl+Z"
                                          << "a b c" << QList<bool>{false, true};
    QTest::newRow("busy: Undo refused") << "Del" << true << "Ctrl+Z"
                                        << "a c" << QList<bool>{false, false};
    QTest::newRow("busy: Redo refused") << "Del, Ctrl+Z" << true << "Ctrl+Y"
                                        << "a b c" << QList<bool>{false, false};
}

void tst_undo_window::keysUndoAndRedo()
{
    QFETCH(QString, before);
    QFETCH(bool, busy);
    QFETCH(QString, keys);
    QFETCH(QString, lines);
    QFETCH(QList<bool>, menu);
    UndoFixture window;
    window.press(before);
    if (busy)
        window.form().pointer().setState(PointerState::Busy);

    window.press(keys);

    QCOMPARE(window.lines(), lines);
    QCOMPARE(window.menuState(), menu);
}

void tst_undo_window::everyTrimOfTheWindowIsUndone_data()
{
    QTest::addColumn<QString>("trim");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("Clear Results") << "PushButton6"
                                   << "";
    QTest::newRow("Remove Results Containing X") << "PushButton17"
                                                 << "a c";
    QTest::newRow("Remove Results Not Cont. X") << "PushButton11"
                                                << "b";
    QTest::newRow("double-click") << "double-click"
                                  << "a c";
}

void tst_undo_window::everyTrimOfTheWindowIsUndone()
{
    QFETCH(QString, trim);
    QFETCH(QString, trimmed);
    UndoFixture window;
    if (trim == QLatin1String("double-click")) {
        window.fixture.doubleClick(window.results->viewport(),
                                   window.results->visualRect(window.form().resultList().index(1, 0)).center());
    } else {
        if (trim != QLatin1String("PushButton6"))
            window.fixture.desktop.expectInput(trim == QLatin1String("PushButton17")
                                                   ? QStringLiteral("Remove entries containing: ")
                                                   : QStringLiteral("Remove entries not containing: "),
                                               QStringLiteral("B"));
        window.form().findChild<QPushButton*>(trim)->click();
    }
    QCOMPARE(window.lines(), trimmed);

    window.results->setFocus();
    window.press(QStringLiteral("Ctrl+Z"));
    QCOMPARE(window.lines(), QStringLiteral("a b c"));
    window.press(QStringLiteral("Ctrl+Shift+Z"));
    QCOMPARE(window.lines(), trimmed);
}

void tst_undo_window::sortAndDuplicatesFromTheMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("lines"); // from "a b c B a"
    QTest::newRow("Sort Lines A to Z") << "mnuSortLines" << false << "a a B b c";
    QTest::newRow("Remove Duplicate Lines") << "mnuRemoveDuplicates" << false << "a b c B";
    QTest::newRow("busy: Sort Lines A to Z refused") << "mnuSortLines" << true << "a b c B a";
    QTest::newRow("busy: Remove Duplicate Lines refused") << "mnuRemoveDuplicates" << true << "a b c B a";
}

void tst_undo_window::sortAndDuplicatesFromTheMenu()
{
    QFETCH(QString, item);
    QFETCH(bool, busy);
    QFETCH(QString, lines);
    UndoFixture window;
    for (const char* line : {"B", "a"})
        window.form().resultList().append(line);
    if (busy)
        window.form().pointer().setState(PointerState::Busy);

    window.fixture.rightClick(2);
    QAction* action = controlOf<QAction>(window.form(), qPrintable(item));
    QCOMPARE(action->isEnabled(), !busy);
    action->trigger();
    window.fixture.menuOf(2)->hide();

    QCOMPARE(window.lines(), lines);
    QCOMPARE(window.form().pointer().state(), busy ? PointerState::Busy : PointerState::Default);
    if (busy)
        return;
    window.results->setFocus();
    window.press(QStringLiteral("Ctrl+Z"));
    QCOMPARE(window.lines(), QStringLiteral("a b c B a"));
    window.press(QStringLiteral("Ctrl+Shift+Z"));
    QCOMPARE(window.lines(), lines);
}

void tst_undo_window::keysWhileTheListIsHandedOver_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("before"); // keys pressed first
    QTest::addColumn<QString>("keys");   // pressed at a yield, after the pointer went over a button
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QByteArray>("handedOver"); // the file or the clipboard; empty: the clipboard left alone
    // The hand over a button replaces the busy pointer, but a save holds the list.
    QTest::newRow("save: Undo refused") << "PushButton2"
                                        << "Del"
                                        << "Ctrl+Z"
                                        << "a c" << QByteArray("a\r\nc\r\n");
    QTest::newRow("save: Redo refused") << "PushButton2"
                                        << "Del, Ctrl+Z"
                                        << "Ctrl+Y"
                                        << "a b c" << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("save: Delete refused") << "PushButton2"
                                          << ""
                                          << "Del"
                                          << "a b c" << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("export: Undo refused") << "Export List..."
                                          << "Del"
                                          << "Ctrl+Z"
                                          << "a c" << QByteArray("a\nc\n");
    // A copy may be undone around; it then fails at 106 and leaves the clipboard.
    QTest::newRow("copy: Undo done, copy failed") << "PushButton4"
                                                  << "Del"
                                                  << "Ctrl+Z"
                                                  << "a b c" << QByteArray();
}

void tst_undo_window::keysWhileTheListIsHandedOver()
{
    QFETCH(QString, command);
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QFETCH(QString, lines);
    QFETCH(QByteArray, handedOver);
    UndoFixture window;
    FakeDesktop& desktop = window.fixture.desktop;
    window.form().resultList().changeAllTicks(TickChange::TickAll);
    window.press(before);
    const QString path = window.fixture.folder.filePath(QStringLiteral("list.txt"));
    const bool copies = command == QLatin1String("PushButton4");
    if (copies) {
        desktop.clipboard = QStringLiteral("before");
        desktop.expectError(
            StepTrap::composeText(QStringLiteral("Index out of bounds"), handlerLocation("PushButton4_Click"), 106));
        desktop.expectMessage(QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where "
                                             "you normally type and press Ctrl+V to paste the clipboard."));
    } else {
        desktop.expectSaveFile(path);
    }
    bool pressed = false;
    desktop.onYield = [&](long long) {
        if (pressed || (!copies && window.form().pointer().state() != PointerState::Busy))
            return;
        pressed = true;
        sendMouseMove(controlOf<QPushButton>(window.form(), "PushButton1"));
        window.press(keys);
    };

    if (command.startsWith(QLatin1String("PushButton")))
        window.form().findChild<QPushButton*>(command)->click();
    else
        window.fixture.command(2, command)->trigger();

    QVERIFY(pressed);
    QCOMPARE(window.lines(), lines);
    if (copies)
        QCOMPARE(desktop.clipboard, QStringLiteral("before"));
    else
        QCOMPARE(fileBytes(path), handedOver);
    // Once it is over, the keys act again.
    window.results->selectRow(0);
    window.results->setFocus();
    window.press(QStringLiteral("Del"));
    QCOMPARE(window.form().resultList().lineCount(), lines.split(QLatin1Char(' ')).size() - 1);
}

QTEST_MAIN(tst_undo_window)
#include "tst_undo_window.moc"

#include "common/StepTrap.h"
#include "results/ClipboardCopy.h"
#include "results/ClipboardText.h"
#include "results/ResultModel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/ResultLists.h"

#include <QtTest>

namespace {

using Table = QList<QStringList>;
using Ticks = QList<bool>;

const QString Location = QStringLiteral("in Tests.Copy ");

const QString CopiedMessage =
    QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you "
                   "normally type and press Ctrl+V to paste the clipboard.");

// A list with columns, as a list view with sub-items would give it.
class TableSource : public CopySource {
public:
    TableSource(Table rows, Ticks ticks) : rows_(std::move(rows)), ticks_(std::move(ticks)) {}
    qsizetype rowCount() const override { return rows_.size(); }
    int columnCount() const override { return rows_.isEmpty() ? 0 : int(rows_.first().size()); }
    QString cell(qsizetype row, int column) const override { return rows_.at(row).at(column); }
    bool isTicked(qsizetype row) const override { return ticks_.at(row); }

private:
    Table rows_;
    Ticks ticks_;
};

} // namespace

class tst_copy : public QObject {
    Q_OBJECT
private slots:
    void buildsATextTable_data();
    void buildsATextTable();
    void copiesTickedLines_data();
    void copiesTickedLines();
    void editWhileCopyingGivesTheListOfOneMomentOrFails_data();
    void editWhileCopyingGivesTheListOfOneMomentOrFails();
};

void tst_copy::buildsATextTable_data()
{
    QTest::addColumn<Table>("rows");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<int>("yields"); // a cell each in the widths pass, a row each, a cell each of ticked rows
    QTest::addColumn<QString>("text");
    QTest::newRow("two columns padded and tabbed")
        << Table{{"ab", "x"}, {"abcd", "yy"}} << Ticks{true, true} << 10 << "ab  \tx\r\nabcd\tyy\r\n";
    QTest::newRow("unticked rows set the widths too")
        << Table{{"a", "1"}, {"longest", "2"}} << Ticks{true, false} << 8 << "a      \t1\r\n";
    QTest::newRow("empty last cell keeps its tab")
        << Table{{"ab", ""}, {"abcd", "yy"}} << Ticks{true, false} << 8 << "ab  \t\r\n";
    QTest::newRow("trailing spaces trimmed")
        << Table{{"a.txt   "}, {"b"}, {"   "}} << Ticks{true, true, true} << 9 << "a.txt\r\nb\r\n\r\n";
    QTest::newRow("nothing ticked") << Table{{"a"}, {"b"}} << Ticks{false, false} << 4 << "";
}

void tst_copy::buildsATextTable()
{
    QFETCH(Table, rows);
    QFETCH(Ticks, ticks);
    QFETCH(int, yields);
    QFETCH(QString, text);
    int yielded = 0;

    QCOMPARE(buildClipboardText(TableSource(rows, ticks), [&] { ++yielded; }), text);
    QCOMPARE(yielded, yields);
}

void tst_copy::copiesTickedLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<int>("failedAttempts"); // of each clipboard routine
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QString>("clipboard");
    const QStringList three{"a.txt", "b.txt", "C:\\x\\c.txt"};
    QTest::newRow("first and last ticked")
        << three << Ticks{true, false, true} << 0 << 1 << "a.txt\r\nC:\\x\\c.txt\r\n";
    QTest::newRow("nothing ticked empties it") << three << Ticks{false, false, false} << 0 << 1 << "";
    QTest::newRow("trailing spaces dropped") << QStringList{"a.txt  "} << Ticks{true} << 0 << 1 << "a.txt\r\n";
    QTest::newRow("empty list leaves it") << QStringList{} << Ticks{} << 0 << 0 << "before";
    QTest::newRow("free at the last attempt")
        << three << Ticks{true, true, true} << 999 << 1000 << "a.txt\r\nb.txt\r\nC:\\x\\c.txt\r\n";
    QTest::newRow("held for all 1000 attempts") << three << Ticks{true, true, true} << 1000 << 1000 << "before";
}

void tst_copy::copiesTickedLines()
{
    QFETCH(QStringList, lines);
    QFETCH(Ticks, ticks);
    QFETCH(int, failedAttempts);
    QFETCH(int, attempts);
    QFETCH(QString, clipboard);
    FakeDesktop desktop;
    ResultModel list;
    appendLines(list, lines, ticks);
    desktop.clipboard = QStringLiteral("before");
    desktop.clearFailuresLeft = failedAttempts;
    desktop.setFailuresLeft = failedAttempts;
    desktop.expectMessage(CopiedMessage);

    StepTrap trap(desktop, Location);
    copyResultsToClipboard(trap, desktop, list);

    QCOMPARE(desktop.clipboard, std::optional<QString>(clipboard));
    QCOMPARE(desktop.clearAttempts, attempts);
    QCOMPARE(desktop.setAttempts, attempts);
}

void tst_copy::editWhileCopyingGivesTheListOfOneMomentOrFails_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<QString>("clipboard"); // as it was after a failure at 106
    const QString ticked = QStringLiteral("a.txt\r\nc.txt\r\n");
    // Lines added at the end leave the others in place, and the ticks are those of the start.
    QTest::newRow("a search appends") << int(ListEdit::Append) << ticked;
    QTest::newRow("Invert Ticks") << int(ListEdit::Tick) << ticked;
    QTest::newRow("a filter that removes nothing") << int(ListEdit::TrimNothing) << ticked;
    // The rest may move lines; the copy may be undone around, so it fails rather than mix two lists.
    QTest::newRow("Delete") << int(ListEdit::Delete) << "before";
    QTest::newRow("Undo") << int(ListEdit::Undo) << "before";
    QTest::newRow("Redo") << int(ListEdit::Redo) << "before";
    QTest::newRow("a filter") << int(ListEdit::Filter) << "before";
    QTest::newRow("Clear Results") << int(ListEdit::Clear) << "before";
}

void tst_copy::editWhileCopyingGivesTheListOfOneMomentOrFails()
{
    QFETCH(int, edit);
    QFETCH(QString, clipboard);
    FakeDesktop desktop;
    ResultModel list;
    appendLines(list, QByteArrayList{"a.txt", "b.txt", "c.txt"}, {true, false, true});
    giveHistory(list);
    desktop.clipboard = QStringLiteral("before");
    // Four lines: past the widths pass, at the first line's cell.
    desktop.onYield = [&](long long count) {
        if (count == 6)
            editList(list, ListEdit(edit));
    };
    const bool fails = clipboard == QLatin1String("before");
    if (fails)
        desktop.expectError(StepTrap::composeText(QStringLiteral("Index out of bounds"), Location, 106));
    desktop.expectMessage(CopiedMessage);

    StepTrap trap(desktop, Location);
    copyResultsToClipboard(trap, desktop, list);

    QCOMPARE(desktop.clipboard, std::optional<QString>(clipboard));
    QCOMPARE(desktop.clearAttempts + desktop.setAttempts, fails ? 0 : 2);
}

QTEST_MAIN(tst_copy)
#include "tst_copy.moc"

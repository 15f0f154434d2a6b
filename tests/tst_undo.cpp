#include "results/LineOrder.h"
#include "results/ListStep.h"
#include "results/ListTidying.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <new>
#include <numeric>

namespace {

// The list as "name" per line, a ticked one as "name*".
QString render(const ResultModel& list)
{
    QStringList lines;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        lines << list.lineText(line) + (list.isChecked(line) ? QStringLiteral("*") : QString());
    return lines.join(QLatin1Char(' '));
}

void fill(ResultModel& list, const QString& rendered)
{
    for (QString line : rendered.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool ticked = line.endsWith(QLatin1Char('*'));
        if (ticked)
            line.chop(1);
        list.append(line.toUtf8());
        if (ticked)
            list.setChecked(list.lineCount() - 1, true);
    }
}

// Runs "del 1, drop txt, keep doc, clear, sort, dedupe, add x, tick 2, untick 0, undo, redo".
void run(ResultModel& list, const QString& script)
{
    for (const QString& command : script.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        const QString verb = command.section(QLatin1Char(' '), 0, 0);
        const QString argument = command.section(QLatin1Char(' '), 1);
        if (verb == QLatin1String("del"))
            list.removeLine(argument.toLongLong());
        else if (verb == QLatin1String("drop"))
            RemoveResultsContaining(list, argument);
        else if (verb == QLatin1String("keep"))
            RemoveResultsNotContaining(list, argument);
        else if (verb == QLatin1String("clear"))
            list.clear();
        else if (verb == QLatin1String("sort"))
            SortLines(list, fileNameCollator(QLocale(QLocale::English)), [] {});
        else if (verb == QLatin1String("dedupe"))
            RemoveDuplicateLines(list, [] {});
        else if (verb == QLatin1String("add"))
            list.append(argument.toUtf8());
        else if (verb == QLatin1String("tick") || verb == QLatin1String("untick"))
            list.setChecked(argument.toLongLong(), verb == QLatin1String("tick"));
        else if (verb == QLatin1String("undo"))
            list.undo();
        else if (verb == QLatin1String("redo"))
            list.redo();
        else
            QFAIL(qPrintable(QStringLiteral("unknown command ") + command));
    }
}

qsizetype bytesIn(const ResultModel& list)
{
    qsizetype bytes = 0;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        bytes += list.lineBytes(line).size();
    return bytes;
}

// A step that changes nothing and fails to be undone, or to be redone, as for want of memory.
class FailingStep : public ListStep {
public:
    FailingStep(ResultModel& list, bool undoFails) : ListStep(list), undoFails_(undoFails) {}
    std::size_t heldBytes() const override { return 0; }

protected:
    void apply() override
    {
        if (made_ && !undoFails_)
            throw std::bad_alloc();
        made_ = true;
    }
    void takeBack() override
    {
        if (undoFails_)
            throw std::bad_alloc();
    }

private:
    bool undoFails_;
    bool made_ = false;
};

} // namespace

class tst_undo : public QObject {
    Q_OBJECT
private slots:
    void trimsAreUndoneAndRedone_data();
    void trimsAreUndoneAndRedone();
    void oldestStepsGo_data();
    void oldestStepsGo();
    void redoThatHoldsMoreDropsTheOldest();
    void failingStepIsGivenUp_data();
    void failingStepIsGivenUp();
};

void tst_undo::trimsAreUndoneAndRedone_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("canUndo");
    QTest::addColumn<bool>("canRedo");
    const QString mixed = QStringLiteral("a.txt b.doc* c.txt d.doc e.txt*");
    QTest::newRow("deleted line back in its place with its tick") << mixed << "del 1, undo" << mixed << false << true;
    QTest::newRow("redo deletes it again") << mixed << "del 1, undo, redo"
                                           << "a.txt c.txt d.doc e.txt*" << true << false;
    QTest::newRow("first and last lines") << mixed << "del 0, del 3, undo, undo" << mixed << false << true;
    QTest::newRow("remove containing") << mixed << "drop txt, undo" << mixed << false << true;
    QTest::newRow("remove not containing") << mixed << "keep txt, undo" << mixed << false << true;
    QTest::newRow("filter redone") << mixed << "keep txt, undo, redo"
                                   << "a.txt c.txt e.txt*" << true << false;
    QTest::newRow("clear") << mixed << "clear, undo" << mixed << false << true;
    QTest::newRow("clear redone") << mixed << "clear, undo, redo"
                                  << "" << true << false;
    QTest::newRow("a filter that takes the first lines") << "b1 b2* a3 a4"
                                                         << "drop b, undo"
                                                         << "b1 b2* a3 a4" << false << true;
    QTest::newRow("a filter that takes both ends") << "b1 a2* b3 a4 a5 b6"
                                                   << "drop b, undo"
                                                   << "b1 a2* b3 a4 a5 b6" << false << true;
    QTest::newRow("a filter that takes every line") << mixed << "drop ., undo" << mixed << false << true;
    QTest::newRow("most recent first") << mixed << "del 0, drop doc, clear, undo, undo"
                                       << "b.doc* c.txt d.doc e.txt*" << true << true;
    QTest::newRow("all the way back and forth") << mixed << "del 0, drop doc, clear, undo, undo, undo, redo, redo, redo"
                                                << "" << true << false;
    QTest::newRow("a later search's lines stay after")
        << mixed << "drop doc, add f.doc, add g.txt, undo" << mixed + " f.doc g.txt" << false << true;
    QTest::newRow("lines added after a clear stay after")
        << mixed << "clear, add f.doc, undo" << mixed + " f.doc" << false << true;
    QTest::newRow("redo takes only the lines it took") << mixed << "drop doc, undo, add f.doc, redo"
                                                       << "a.txt c.txt e.txt* f.doc" << true << false;
    QTest::newRow("redo of a clear keeps lines added since") << mixed << "clear, add f.doc, undo, redo"
                                                             << "f.doc" << true << false;
    QTest::newRow("ticking is no step") << mixed << "tick 0, undo"
                                        << "a.txt* b.doc* c.txt d.doc e.txt*" << false << false;
    QTest::newRow("a tick given after the trim stays") << mixed << "drop doc, tick 1, untick 2, undo"
                                                       << "a.txt b.doc* c.txt* d.doc e.txt" << false << true;
    // Taking more than it keeps, a trim holds the list as it was; the ticks of now still count.
    QTest::newRow("ticks given after a larger trim stay") << mixed << "drop txt, untick 0, tick 1, undo"
                                                          << "a.txt b.doc c.txt d.doc* e.txt*" << false << true;
    QTest::newRow("ticks given after a larger trim stay, at the end") << "a.txt b.txt c.doc"
                                                                      << "drop txt, tick 0, undo"
                                                                      << "a.txt b.txt c.doc*" << false << true;
    QTest::newRow("redo takes the ticks the lines have then") << mixed << "drop doc, undo, untick 1, tick 3, redo, undo"
                                                              << "a.txt b.doc c.txt d.doc* e.txt*" << false << true;
    QTest::newRow("a new trim forgets redo") << mixed << "del 0, undo, del 4"
                                             << "a.txt b.doc* c.txt d.doc" << true << false;
    QTest::newRow("removing nothing is no step") << mixed << "drop zzz" << mixed << false << false;
    QTest::newRow("removing nothing leaves redo") << mixed << "del 0, undo, keep ., redo"
                                                  << "b.doc* c.txt d.doc e.txt*" << true << false;
    QTest::newRow("nothing to undo or redo") << mixed << "undo, redo" << mixed << false << false;
    const QString unsorted = QStringLiteral("c.txt a.doc* b.txt* a.doc");
    const QString sorted = QStringLiteral("a.doc* a.doc b.txt* c.txt");
    QTest::newRow("sort undone") << unsorted << "sort, undo" << unsorted << false << true;
    QTest::newRow("sort redone") << unsorted << "sort, undo, redo" << sorted << true << false;
    QTest::newRow("lines added after a sort stay after")
        << unsorted << "sort, add f, undo" << unsorted + " f" << false << true;
    QTest::newRow("a sort redone leaves lines added since after")
        << unsorted << "sort, undo, add f, redo" << sorted + " f" << true << false;
    QTest::newRow("ticks given after a sort go back with their lines") << unsorted << "sort, untick 0, tick 3, undo"
                                                                       << "c.txt* a.doc b.txt* a.doc" << false << true;
    QTest::newRow("a sort and a deletion after it")
        << unsorted << "sort, del 0, undo, undo" << unsorted << false << true;
    QTest::newRow("sorting a sorted list is no step") << unsorted << "sort, sort, undo" << unsorted << false << true;
    QTest::newRow("duplicates undone") << unsorted << "dedupe, undo" << unsorted << false << true;
    QTest::newRow("duplicates redone") << unsorted << "dedupe, undo, redo"
                                       << "c.txt a.doc* b.txt*" << true << false;
    QTest::newRow("no duplicates, no step") << mixed << "dedupe" << mixed << false << false;
    QTest::newRow("clear of an empty list is no step") << ""
                                                       << "clear, add x, undo"
                                                       << "x" << false << false;
}

void tst_undo::trimsAreUndoneAndRedone()
{
    QFETCH(QString, lines);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QFETCH(bool, canUndo);
    QFETCH(bool, canRedo);
    ResultModel list;
    // Fails the test at the first change the views are told of wrongly.
    const QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(list, lines);

    run(list, script);

    QCOMPARE(render(list), expected);
    QCOMPARE(list.canUndo(), canUndo);
    QCOMPARE(list.canRedo(), canRedo);
    list.showPendingLines();
    QCOMPARE(list.rowCount(), list.lineCount());
}

void tst_undo::oldestStepsGo_data()
{
    QTest::addColumn<int>("maxSteps");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QList<int>>("lineLengths"); // each line is deleted in turn, from the end of the list
    QTest::addColumn<int>("undoable");
    // A line of n bytes holds n + 9 with its end and its tick, and 16 for its place.
    QTest::newRow("within both bounds") << 3 << 1000 << QList<int>{10, 10, 10} << 3;
    QTest::newRow("beyond the steps") << 3 << 1000 << QList<int>{10, 10, 10, 10, 10} << 3;
    QTest::newRow("beyond the bytes") << 100 << 100 << QList<int>{10, 10, 10, 10, 10} << 2;
    QTest::newRow("a large step leaves alone") << 100 << 100 << QList<int>{10, 10, 200} << 1;
    QTest::newRow("small steps after a large one") << 100 << 100 << QList<int>{200, 10} << 1;
}

void tst_undo::oldestStepsGo()
{
    QFETCH(int, maxSteps);
    QFETCH(int, maxBytes);
    QFETCH(QList<int>, lineLengths);
    QFETCH(int, undoable);
    ResultModel list(nullptr, HistoryBounds{maxSteps, static_cast<std::size_t>(maxBytes)});
    for (auto length = lineLengths.crbegin(); length != lineLengths.crend(); ++length)
        list.append(QByteArray(*length, 'x'));

    for (qsizetype deleted = 0; deleted < lineLengths.size(); ++deleted)
        list.removeLine(list.lineCount() - 1);
    QCOMPARE(list.history().stack().index(), undoable);

    // The steps kept are the most recent ones: undone, they give back the first lines.
    while (list.canUndo())
        list.undo();
    QCOMPARE(list.lineCount(), undoable);
    QCOMPARE(bytesIn(list), std::accumulate(lineLengths.end() - undoable, lineLengths.end(), qsizetype(0)));
}

void tst_undo::redoThatHoldsMoreDropsTheOldest()
{
    // A line of n bytes holds n + 9 with its end and its tick, and a step 16 for each place.
    ResultModel list(nullptr, HistoryBounds{100, 300});
    fill(list, QString(10, QLatin1Char('s')) + QLatin1Char(' ') + QString(200, QLatin1Char('B')));
    run(list, QStringLiteral("del 0, clear, undo")); // the steps hold 35 and 16
    // Redone over fewer lines than it takes, the clear holds the list as it was: 294 bytes, with the 35 too many.
    run(list, QStringLiteral("add ") + QString(60, QLatin1Char('C')) + QStringLiteral(", redo"));
    QCOMPARE(list.lineCount(), 1);
    QCOMPARE(list.history().stack().count(), 1);
    list.undo();
    QCOMPARE(list.lineCount(), 2);
    QVERIFY(!list.canUndo());
}

void tst_undo::failingStepIsGivenUp_data()
{
    QTest::addColumn<bool>("undoFails"); // else Redo fails
    QTest::newRow("Undo fails") << true;
    QTest::newRow("Redo fails") << false;
}

void tst_undo::failingStepIsGivenUp()
{
    QFETCH(bool, undoFails);
    ResultModel list;
    fill(list, QStringLiteral("a b* c"));
    run(list, QStringLiteral("del 0"));
    auto step = std::make_unique<FailingStep>(list, undoFails);
    step->make();
    list.history().push(std::move(step));
    if (!undoFails)
        list.undo();
    QSignalSpy failures(&list, &ResultModel::stepFailed);

    if (undoFails)
        list.undo();
    else
        list.redo();

    // The list as it was; the step below is still there to undo.
    QCOMPARE(render(list), QStringLiteral("b* c"));
    QCOMPARE(list.history().stack().count(), 1);
    QVERIFY(list.canUndo());
    QVERIFY(!list.canRedo());
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.at(0).at(0).toBool(), undoFails);
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, std::rethrow_exception(failures.at(0).at(1).value<std::exception_ptr>()));
}

QTEST_MAIN(tst_undo)
#include "tst_undo.moc"

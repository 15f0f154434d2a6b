#include "results/ResultFilters.h"
#include "results/ResultModel.h"
#include "results/TrimHistory.h"

#include <QAbstractItemModelTester>
#include <QtTest>

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

// Runs "del 1, drop txt, keep doc, clear, add x, tick 2, untick 0, undo, redo".
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

} // namespace

class tst_undo : public QObject {
    Q_OBJECT
private slots:
    void trimsAreUndoneAndRedone_data();
    void trimsAreUndoneAndRedone();
    void oldestStepsGo_data();
    void oldestStepsGo();
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
    LineStore list;
    for (auto length = lineLengths.crbegin(); length != lineLengths.crend(); ++length) {
        list.bytes.append(QByteArray(*length, 'x').constData(), static_cast<std::size_t>(*length));
        list.ends.push_back(list.bytes.size());
        list.checks.push_back(0);
    }
    TrimHistory history(static_cast<std::size_t>(maxSteps), static_cast<std::size_t>(maxBytes));

    for (qsizetype deleted = 0; deleted < lineLengths.size(); ++deleted)
        history.trim(list, {{list.count() - 1, 1}});
    QCOMPARE(history.undoSteps(), static_cast<std::size_t>(undoable));

    // The steps kept are the most recent ones: undone, they give back the first lines.
    while (history.undo(list)) {
    }
    QCOMPARE(list.count(), static_cast<std::size_t>(undoable));
    QCOMPARE(list.bytes.size(),
             static_cast<std::size_t>(std::accumulate(lineLengths.end() - undoable, lineLengths.end(), 0)));
}

QTEST_MAIN(tst_undo)
#include "tst_undo.moc"

#include "common/Failure.h"
#include "results/LineOrder.h"
#include "results/ListTidying.h"
#include "results/ResultModel.h"
#include "tests/support/ResultLists.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace {

// A line per item, "*" after a ticked one.
void fill(ResultModel& list, const QByteArrayList& lines)
{
    for (QByteArray line : lines) {
        const bool ticked = line.endsWith('*');
        if (ticked)
            line.chop(1);
        list.append(line);
        list.setChecked(list.lineCount() - 1, ticked);
    }
}

QByteArrayList render(const ResultModel& list)
{
    QByteArrayList lines;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        lines << list.lineBytes(line).toByteArray() + (list.isChecked(line) ? "*" : "");
    return lines;
}

enum class Tidying { Sort, RemoveDuplicates };

void tidy(ResultModel& list, Tidying tidying, const std::function<void()>& yield)
{
    if (tidying == Tidying::Sort)
        SortLines(list, fileNameCollator(QLocale(QLocale::English, QLocale::UnitedStates)), yield);
    else
        RemoveDuplicateLines(list, yield);
}

} // namespace

class tst_order : public QObject {
    Q_OBJECT
private slots:
    void sortsAsAFileManager_data();
    void sortsAsAFileManager();
    void removesDuplicates_data();
    void removesDuplicates();
    void editsWhileItYields_data();
    void editsWhileItYields();
};

void tst_order::sortsAsAFileManager_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArrayList>("sorted"); // empty: as it was, and no step
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    // Alike but for case: by their bytes, capitals first.
    QTest::newRow("case ignored") << english << QByteArrayList{"b", "B", "a.txt", "A.txt"}
                                  << QByteArrayList{"A.txt", "a.txt", "B", "b"};
    QTest::newRow("numbers by value") << english << QByteArrayList{"file10", "file2", "File1", "file1", "file02"}
                                      << QByteArrayList{"File1", "file1", "file02", "file2", "file10"};
    QTest::newRow("an accent after its plain letter") << english << QByteArrayList{"eb", "\u00e9a", "ea", "\u00c9a"}
                                                      << QByteArrayList{"ea", "\u00c9a", "\u00e9a", "eb"};
    QTest::newRow("decomposed alike composed, then by bytes")
        << english << QByteArrayList{"\u00e9", "e\u0301", "e"} << QByteArrayList{"e", "e\u0301", "\u00e9"};
    // Each shows a stand-in (U+FFFD) for its last byte, as the real one does.
    QTest::newRow("not UTF-8: by its shown text, then its bytes")
        << english << QByteArrayList{"b\xff", "a\xfe", "b\xfe", "b\xef\xbf\xbd", "a"}
        << QByteArrayList{"a", "a\xfe", "b\xef\xbf\xbd", "b\xfe", "b\xff"};
    QTest::newRow("equal lines keep their order, ticks go with their lines")
        << english << QByteArrayList{"b*", "a", "c", "b", "a*"} << QByteArrayList{"a", "a*", "b*", "b", "c"};
    QTest::newRow("the C locale orders as Unicode's default")
        << QLocale::c() << QByteArrayList{"file10", "file2", "File1"} << QByteArrayList{"File1", "file2", "file10"};
    QTest::newRow("sorted already") << english << QByteArrayList{"a", "B*", "c"} << QByteArrayList{};
    QTest::newRow("one line") << english << QByteArrayList{"a"} << QByteArrayList{};
    // More lines than are sorted at once, so the sorted runs are merged.
    QByteArrayList shuffled;
    QByteArrayList inOrder;
    for (int line = 0; line < 10000; ++line) {
        shuffled << "line " + QByteArray::number(line * 7919 % 10000);
        inOrder << "line " + QByteArray::number(line);
    }
    QTest::newRow("ten thousand lines") << english << shuffled << inOrder;
}

void tst_order::sortsAsAFileManager()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArrayList, sorted);
    ResultModel list;
    const QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(list, lines);

    SortLines(list, fileNameCollator(locale), [] {});

    QCOMPARE(render(list), sorted.isEmpty() ? lines : sorted);
    QCOMPARE(list.canUndo(), !sorted.isEmpty());
}

void tst_order::removesDuplicates_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArrayList>("kept"); // empty: as it was, and no step
    QTest::newRow("the first keeps its place and its tick")
        << QByteArrayList{"a*", "b", "a", "A", "b*", "a", "c"} << QByteArrayList{"a*", "b", "A", "c"};
    QTest::newRow("a ticked one after an unticked one")
        << QByteArrayList{"x", "y", "x*", "x*"} << QByteArrayList{"x", "y"};
    QTest::newRow("bytes, not shown text")
        << QByteArrayList{"a\xfe", "a\xff", "a\xfe", "", ""} << QByteArrayList{"a\xfe", "a\xff", ""};
    QTest::newRow("none alike") << QByteArrayList{"a", "A", "a "} << QByteArrayList{};
}

void tst_order::removesDuplicates()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArrayList, kept);
    ResultModel list;
    fill(list, lines);

    RemoveDuplicateLines(list, [] {});

    QCOMPARE(render(list), kept.isEmpty() ? lines : kept);
    QCOMPARE(list.canUndo(), !kept.isEmpty());
}

// At the first yield, as the window would do it meanwhile.
void tst_order::editsWhileItYields_data()
{
    QTest::addColumn<int>("tidying");
    QTest::addColumn<int>("edit");
    QTest::addColumn<QByteArrayList>("after");
    QTest::addColumn<bool>("fails"); // with the line-gone failure, the list as the edit left it
    const QByteArrayList appended{"appended meanwhile"};
    QTest::newRow("sort, lines appended stay after")
        << int(Tidying::Sort) << int(ListEdit::Append) << QByteArrayList{"a", "b*", "c", "c"} + appended << false;
    QTest::newRow("sort, ticks of now go with their lines")
        << int(Tidying::Sort) << int(ListEdit::Tick) << QByteArrayList{"a*", "b", "c*", "c*"} << false;
    QTest::newRow("sort, a deletion fails it")
        << int(Tidying::Sort) << int(ListEdit::Delete) << QByteArrayList{"a", "b*", "c"} << true;
    QTest::newRow("duplicates, lines appended stay") << int(Tidying::RemoveDuplicates) << int(ListEdit::Append)
                                                     << QByteArrayList{"c", "a", "b*"} + appended << false;
    QTest::newRow("duplicates, ticks of now")
        << int(Tidying::RemoveDuplicates) << int(ListEdit::Tick) << QByteArrayList{"c*", "a*", "b"} << false;
    QTest::newRow("duplicates, a filter fails it")
        << int(Tidying::RemoveDuplicates) << int(ListEdit::Filter) << QByteArrayList{"c", "c"} << true;
}

void tst_order::editsWhileItYields()
{
    QFETCH(int, tidying);
    QFETCH(int, edit);
    QFETCH(QByteArrayList, after);
    QFETCH(bool, fails);
    ResultModel list;
    fill(list, {"c", "a", "b*", "c"});
    int yields = 0;
    bool failed = false;

    try {
        tidy(list, Tidying(tidying), [&] {
            if (yields++ == 0)
                editList(list, ListEdit(edit));
        });
    } catch (const Failure& failure) {
        failed = failure.description() == QLatin1String("Index out of bounds");
    }

    QCOMPARE(failed, fails);
    QCOMPARE(render(list), after);
}

QTEST_MAIN(tst_order)
#include "tst_order.moc"

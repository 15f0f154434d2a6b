#include "common/StepTrap.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/PhraseCases.h"
#include "tests/support/ResultLists.h"

#include <QtTest>

namespace {

const QString ContainingPrompt = QStringLiteral("Remove entries containing: ");
const QString NotContainingPrompt = QStringLiteral("Remove entries not containing: ");

// One of the twin buttons over a list, as the window runs it, with the
// pointer it leaves.
struct Trim {
    void click(bool containing)
    {
        StepTrap trap(desktop, QStringLiteral("in Tests.Trim "));
        runPhraseFilter(trap, desktop, list, containing ? RemoveContainingFilter : RemoveNotContainingFilter,
                        [this](PointerState state) { pointer = state; });
    }

    FakeDesktop desktop;
    ResultModel list;
    PointerState pointer = PointerState::Default;
};

} // namespace

class tst_filters : public QObject {
    Q_OBJECT
private slots:
    void removesByPhrase_data();
    void removesByPhrase();
    void phraseMatching_data();
    void phraseMatching();
    void survivorsKeepTheirTicksAndTheWorkShowsBusy();
};

void tst_filters::removesByPhrase_data()
{
    QTest::addColumn<bool>("containing");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<PointerState>("pointer"); // afterwards, from Custom
    const QStringList mixed{"a.txt", "b.doc", "C.TXT"};
    const PointerState arrow = PointerState::Arrow;
    QTest::newRow("containing TXT, any case") << true << mixed << "TXT" << QStringList{"b.doc"} << arrow;
    QTest::newRow("not containing TXT keeps order")
        << false << mixed << "TXT" << QStringList{"a.txt", "C.TXT"} << arrow;
    QTest::newRow("one space is a phrase") << true << QStringList{"my file.txt", "plain.txt", " lead", "trail "} << " "
                                           << QStringList{"plain.txt"} << arrow;
    QTest::newRow("asterisk is literal, containing") << true << mixed << "*" << mixed << arrow;
    QTest::newRow("asterisk is literal, not containing") << false << mixed << "*" << QStringList{} << arrow;
    const QStringList duplicates{"x.txt", "y.doc", "x.txt", "X.TXT"};
    QTest::newRow("duplicates go together") << true << duplicates << "x.txt" << QStringList{"y.doc"} << arrow;
    QTest::newRow("duplicates stay together")
        << false << duplicates << "x.txt" << QStringList{"x.txt", "x.txt", "X.TXT"} << arrow;
    QTest::newRow("decomposed lines stay as they are")
        << false << QStringList{QStringLiteral("Re\u0301sume\u0301.doc"), "Resume.doc"} << QStringLiteral("\u00e9")
        << QStringList{QStringLiteral("Re\u0301sume\u0301.doc")} << arrow;
    QTest::newRow("empty list") << true << QStringList{} << "x" << QStringList{} << arrow;
    // Cancel gives the empty answer too; the pointer is left as it was.
    const QStringList two{"a.txt", "b.doc"};
    QTest::newRow("empty answer, containing") << true << two << "" << two << PointerState::Custom;
    QTest::newRow("empty answer, not containing") << false << two << "" << two << PointerState::Custom;
}

void tst_filters::removesByPhrase()
{
    QFETCH(bool, containing);
    QFETCH(QStringList, lines);
    QFETCH(QString, phrase);
    QFETCH(QStringList, left);
    QFETCH(PointerState, pointer);
    Trim trim;
    appendLines(trim.list, lines);
    trim.list.showPendingLines();
    trim.pointer = PointerState::Custom;
    trim.desktop.expectInput(containing ? ContainingPrompt : NotContainingPrompt, phrase);

    trim.click(containing);

    QCOMPARE(lineTexts(trim.list), left);
    QCOMPARE(trim.list.rowCount(), left.size());
    QCOMPARE(trim.pointer, pointer);
}

void tst_filters::phraseMatching_data()
{
    addPhraseRows();
}

// Each filter over a line of the text: one removes it, the other keeps it.
void tst_filters::phraseMatching()
{
    QFETCH(QString, phrase);
    QFETCH(QByteArray, text);
    QFETCH(bool, matches);
    for (const bool containing : {true, false}) {
        Trim trim;
        trim.list.append(text);
        trim.desktop.expectInput(containing ? ContainingPrompt : NotContainingPrompt, phrase);
        trim.click(containing);
        QCOMPARE(trim.list.lineCount(), containing == matches ? 0 : 1);
    }
}

void tst_filters::survivorsKeepTheirTicksAndTheWorkShowsBusy()
{
    Trim trim;
    ResultModel& list = trim.list;
    appendLines(list, QStringList{"keep1", "drop1", "keep2", "drop2", "keep3"});
    list.setChecked(1, true);
    list.setChecked(2, true);
    list.setChecked(4, true);
    std::optional<PointerState> pointerDuringWork;
    connect(&list, &ResultModel::modelAboutToBeReset, this, [&] { pointerDuringWork = trim.pointer; });
    trim.desktop.expectInput(ContainingPrompt, QStringLiteral("DROP"));

    trim.click(true);

    QCOMPARE(lineTexts(list), (QStringList{"keep1", "keep2", "keep3"}));
    QCOMPARE((QList<bool>{list.isChecked(0), list.isChecked(1), list.isChecked(2)}), (QList<bool>{false, true, true}));
    QCOMPARE(pointerDuringWork, std::optional(PointerState::Busy));
}

QTEST_MAIN(tst_filters)
#include "tst_filters.moc"

#include "FakeDesktop.h"
#include "StepTrap.h"
#include "results/ResultFilters.h"
#include "results/ResultModel.h"

#include <QtTest>

namespace {

const QString ContainingPrompt = QStringLiteral("Remove entries containing: ");
const QString NotContainingPrompt = QStringLiteral("Remove entries not containing: ");

void fill(ResultModel& list, const QStringList& lines)
{
    for (const QString& line : lines)
        list.append(line.toUtf8());
}

QStringList linesOf(const ResultModel& list)
{
    QStringList lines;
    for (qsizetype line = 0; line < list.lineCount(); ++line)
        lines << list.lineText(line);
    return lines;
}

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
    void survivorsKeepTheirTicksAndTheWorkShowsBusy();
    void emptyAnswerChangesNothing_data();
    void emptyAnswerChangesNothing();
};

void tst_filters::removesByPhrase_data()
{
    QTest::addColumn<bool>("containing");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QStringList>("left");
    const QStringList mixed{"a.txt", "b.doc", "C.TXT"};
    QTest::newRow("containing TXT, any case") << true << mixed << "TXT" << QStringList{"b.doc"};
    QTest::newRow("not containing TXT keeps order") << false << mixed << "TXT" << QStringList{"a.txt", "C.TXT"};
    QTest::newRow("one space is a phrase")
        << true << QStringList{"my file.txt", "plain.txt", " lead", "trail "} << " " << QStringList{"plain.txt"};
    QTest::newRow("asterisk is literal, containing") << true << mixed << "*" << mixed;
    QTest::newRow("asterisk is literal, not containing") << false << mixed << "*" << QStringList{};
    QTest::newRow("a,b is one phrase") << true << QStringList{"a,b.txt", "a.txt", "b.txt", "xA,Bx", "a, b"} << "a,b"
                                       << QStringList{"a.txt", "b.txt", "a, b"};
    const QStringList duplicates{"x.txt", "y.doc", "x.txt", "X.TXT"};
    QTest::newRow("duplicates go together") << true << duplicates << "x.txt" << QStringList{"y.doc"};
    QTest::newRow("duplicates stay together")
        << false << duplicates << "x.txt" << QStringList{"x.txt", "x.txt", "X.TXT"};
    QTest::newRow("case folds beyond ASCII")
        << true << QStringList{"Ärger.txt", "ärger.doc", "other"} << "ÄRGER" << QStringList{"other"};
    QTest::newRow("decomposed lines go, composed phrase")
        << true << QStringList{QStringLiteral("Re\u0301sume\u0301.doc"), "Resume.doc"}
        << QStringLiteral("r\u00e9sum\u00e9") << QStringList{"Resume.doc"};
    QTest::newRow("decomposed lines stay as they are")
        << false << QStringList{QStringLiteral("Re\u0301sume\u0301.doc"), "Resume.doc"} << QStringLiteral("\u00e9")
        << QStringList{QStringLiteral("Re\u0301sume\u0301.doc")};
    QTest::newRow("empty list") << true << QStringList{} << "x" << QStringList{};
}

void tst_filters::removesByPhrase()
{
    QFETCH(bool, containing);
    QFETCH(QStringList, lines);
    QFETCH(QString, phrase);
    QFETCH(QStringList, left);
    Trim trim;
    fill(trim.list, lines);
    trim.desktop.expectInput(containing ? ContainingPrompt : NotContainingPrompt, phrase);

    trim.click(containing);

    QCOMPARE(linesOf(trim.list), left);
    QCOMPARE(trim.list.rowCount(), left.size());
    QCOMPARE(trim.pointer, PointerState::Arrow);
    QVERIFY2(trim.desktop.problems().isEmpty(), qPrintable(trim.desktop.problems().join('\n')));
}

void tst_filters::survivorsKeepTheirTicksAndTheWorkShowsBusy()
{
    Trim trim;
    ResultModel& list = trim.list;
    fill(list, {"keep1", "drop1", "keep2", "drop2", "keep3"});
    list.setChecked(1, true);
    list.setChecked(2, true);
    list.setChecked(4, true);
    std::optional<PointerState> pointerDuringWork;
    connect(&list, &ResultModel::modelAboutToBeReset, this, [&] { pointerDuringWork = trim.pointer; });
    trim.desktop.expectInput(ContainingPrompt, QStringLiteral("DROP"));

    trim.click(true);

    QCOMPARE(linesOf(list), (QStringList{"keep1", "keep2", "keep3"}));
    QCOMPARE((QList<bool>{list.isChecked(0), list.isChecked(1), list.isChecked(2)}), (QList<bool>{false, true, true}));
    QCOMPARE(pointerDuringWork, std::optional(PointerState::Busy));
    QVERIFY(trim.desktop.problems().isEmpty());
}

void tst_filters::emptyAnswerChangesNothing_data()
{
    QTest::addColumn<bool>("containing");
    QTest::newRow("containing") << true;
    QTest::newRow("not containing") << false;
}

void tst_filters::emptyAnswerChangesNothing()
{
    QFETCH(bool, containing);
    Trim trim;
    fill(trim.list, {"a.txt", "b.doc"});
    trim.pointer = PointerState::Custom;
    // Cancel gives the empty answer too.
    trim.desktop.expectInput(containing ? ContainingPrompt : NotContainingPrompt, QString());

    trim.click(containing);

    QCOMPARE(linesOf(trim.list), (QStringList{"a.txt", "b.doc"}));
    QCOMPARE(trim.pointer, PointerState::Custom);
    QVERIFY(trim.desktop.problems().isEmpty());
}

QTEST_MAIN(tst_filters)
#include "tst_filters.moc"

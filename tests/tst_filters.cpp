#include "FormFixture.h"
#include "results/ResultModel.h"

#include <QPushButton>
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

QPushButton* buttonFor(Form1& form, bool containing)
{
    return containing ? form.PushButton17 : form.PushButton11;
}

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
    QTest::newRow("empty list") << true << QStringList{} << "x" << QStringList{};
}

void tst_filters::removesByPhrase()
{
    QFETCH(bool, containing);
    QFETCH(QStringList, lines);
    QFETCH(QString, phrase);
    QFETCH(QStringList, left);
    FormFixture fixture;
    Form1& form = *fixture.form;
    fill(form.resultList(), lines);
    fixture.desktop.expectInput(containing ? ContainingPrompt : NotContainingPrompt, phrase);

    buttonFor(form, containing)->click();

    QCOMPARE(linesOf(form.resultList()), left);
    QCOMPARE(form.resultList().rowCount(), left.size());
    QCOMPARE(form.pointerState(), int(PointerArrow));
    QVERIFY2(fixture.desktop.problems().isEmpty(), qPrintable(fixture.desktop.problems().join('\n')));
}

void tst_filters::survivorsKeepTheirTicksAndTheWorkShowsBusy()
{
    FormFixture fixture;
    ResultModel& list = fixture.form->resultList();
    fill(list, {"keep1", "drop1", "keep2", "drop2", "keep3"});
    list.setChecked(1, true);
    list.setChecked(2, true);
    list.setChecked(4, true);
    int pointerDuringWork = -1;
    connect(&list, &ResultModel::modelAboutToBeReset, this, [&] { pointerDuringWork = fixture.form->pointerState(); });
    fixture.desktop.expectInput(ContainingPrompt, QStringLiteral("DROP"));

    fixture.form->PushButton17->click();

    QCOMPARE(linesOf(list), (QStringList{"keep1", "keep2", "keep3"}));
    QCOMPARE((QList<bool>{list.isChecked(0), list.isChecked(1), list.isChecked(2)}), (QList<bool>{false, true, true}));
    QCOMPARE(pointerDuringWork, int(PointerBusy));
    QVERIFY(fixture.desktop.problems().isEmpty());
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
    FormFixture fixture;
    Form1& form = *fixture.form;
    fill(form.resultList(), {"a.txt", "b.doc"});
    form.setPointerState(PointerCustom);
    // Cancel gives the empty answer too.
    fixture.desktop.expectInput(containing ? ContainingPrompt : NotContainingPrompt, QString());

    buttonFor(form, containing)->click();

    QCOMPARE(linesOf(form.resultList()), (QStringList{"a.txt", "b.doc"}));
    QCOMPARE(form.pointerState(), int(PointerCustom));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

QTEST_MAIN(tst_filters)
#include "tst_filters.moc"

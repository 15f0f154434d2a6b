#include "FormFixture.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

class tst_folders : public QObject {
    Q_OBJECT
private slots:
    void addFolder_data();
    void addFolder();
    void pickerOpensAtTheLastFolder();
    void removal_data();
    void removal();
    void deleteRemovesOnlyTheSelectedOfTwoEqualLines();
    void sampleFolder_data();
    void sampleFolder();
    void samplesLieBesideTheProgram();
};

void tst_folders::addFolder_data()
{
    QTest::addColumn<QStringList>("picked"); // one click each; empty is Cancel
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("pointer");
    // The pointer starts as the arrow, so "untouched" can be told from "reset".
    QTest::newRow("cancel") << QStringList{""} << QStringList{} << int(PointerArrow);
    QTest::newRow("a folder") << QStringList{"/srv/data"} << QStringList{"/srv/data"} << int(PointerDefault);
    QTest::newRow("normalised") << QStringList{"/srv//data"} << QStringList{"/srv/data"} << int(PointerDefault);
    QTest::newRow("the root") << QStringList{"/"} << QStringList{"/"} << int(PointerDefault);
    QTest::newRow("twice the same") << QStringList{"/srv", "/srv"} << QStringList{"/srv", "/srv"}
                                    << int(PointerDefault);
}

void tst_folders::addFolder()
{
    QFETCH(QStringList, picked);
    QFETCH(QStringList, entries);
    QFETCH(int, pointer);
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.form->setPointerState(PointerArrow);
    for (const QString& answer : picked) {
        fixture.desktop.expectFolderPick(answer);
        fixture.form->PushButton3->click();
    }
    FolderListModel& list = fixture.form->folderList();
    QStringList shown;
    for (qsizetype entry = 0; entry < list.entryCount(); ++entry)
        shown << list.entry(entry);
    QCOMPARE(shown, entries);
    QCOMPARE(fixture.form->pointerState(), pointer);
    QCOMPARE(fixture.desktop.lastPickFolderPrompt, QStringLiteral("Please select folder:"));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_folders::pickerOpensAtTheLastFolder()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.desktop.expectFolderPick(QStringLiteral("/srv/data"));
    fixture.form->PushButton3->click();
    QCOMPARE(fixture.desktop.lastPickFolderInitial, QString());
    // Cancel keeps what was stored; a restart still opens where the user was.
    fixture.desktop.expectFolderPick(QString());
    fixture.form->PushButton3->click();
    fixture.restart();
    fixture.desktop.expectFolderPick(QString());
    fixture.form->PushButton3->click();
    QCOMPARE(fixture.desktop.lastPickFolderInitial, QStringLiteral("/srv/data"));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_folders::removal_data()
{
    QTest::addColumn<int>("list"); // 1 or 2
    QTest::addColumn<int>("key");  // 0 is a double-click
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("selected"); // -1 for none
    QTest::addColumn<QStringList>("left");
    const QStringList all{"a", "b", "c"};
    for (int list : {1, 2}) {
        const auto row = [list](const char* name) -> QTestData& {
            return QTest::addRow("ListView%d %s", list, name) << list;
        };
        row("Delete") << int(Qt::Key_Delete) << 0 << false << 1 << QStringList{"a", "c"};
        row("Shift+Delete") << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << false << 0 << QStringList{"b", "c"};
        row("Ctrl+Delete") << int(Qt::Key_Delete) << int(Qt::ControlModifier) << false << 2 << QStringList{"a", "b"};
        row("double-click") << 0 << 0 << false << 1 << QStringList{"a", "c"};
        row("Backspace") << int(Qt::Key_Backspace) << 0 << false << 1 << all;
        row("Delete while busy") << int(Qt::Key_Delete) << 0 << true << 1 << all;
        row("double-click while busy") << 0 << 0 << true << 1 << all;
        row("Delete, none selected") << int(Qt::Key_Delete) << 0 << false << -1 << all;
        row("double-click, none selected") << 0 << 0 << false << -1 << all;
    }
}

void tst_folders::removal()
{
    QFETCH(int, list);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, busy);
    QFETCH(int, selected);
    QFETCH(QStringList, left);
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.Form_Load();
    for (const char* text : {"a", "b", "c"}) {
        form.folderList().append(QLatin1String(text));
        form.resultList().append(text);
    }
    form.resultList().showPendingLines();
    QTableView* view = list == 1 ? form.ListView1 : form.ListView2;
    if (selected >= 0)
        view->selectRow(selected);
    form.setPointerState(busy ? PointerBusy : PointerDefault);
    if (key != 0)
        QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    else if (list == 1)
        form.ListView1_DblClick();
    else
        form.ListView2_DblClick();
    QStringList remaining;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        remaining << view->model()->index(row, 0).data().toString();
    QCOMPARE(remaining, left);
    // The other list is never touched.
    QCOMPARE((list == 1 ? form.ListView2 : form.ListView1)->model()->rowCount(), 3);
}

void tst_folders::deleteRemovesOnlyTheSelectedOfTwoEqualLines()
{
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.Form_Load();
    for (const char* text : {"same", "same", "other"})
        form.resultList().append(text);
    form.resultList().setChecked(0, true);
    form.resultList().showPendingLines();
    form.ListView2->selectRow(0);
    QTest::keyClick(form.ListView2, Qt::Key_Delete);
    QCOMPARE(form.resultList().lineCount(), 2);
    QCOMPARE(form.resultList().lineText(0), QStringLiteral("same"));
    QVERIFY(!form.resultList().isChecked(0));
}

void tst_folders::sampleFolder_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void tst_folders::sampleFolder()
{
    QFETCH(bool, yes);
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.Form_Load();
    form.Text1->setText(QStringLiteral(".doc"));
    const QString question = QStringLiteral("Would you like this software to open the folder where these sample files "
                                            "are stored (so that you can view them before working with them)?");
    for (int click = 0; click < 2; ++click) {
        fixture.desktop.expectQuestion(question, yes);
        form.PushButton8->click();
    }
    const QString entry = fixture.programFolder() + QStringLiteral("/Samples");
    QCOMPARE(form.folderList().entryCount(), 2);
    QCOMPARE(form.folderList().entry(1), entry);
    QCOMPARE(fixture.desktop.opened, yes ? QStringList(2, entry + QLatin1Char('/')) : QStringList());
    QCOMPARE(form.Text1->text(), QStringLiteral("ple1.t"));
    QCOMPARE(fixture.settings->read(QStringLiteral("Text1"), {}), QStringLiteral("ple1.t"));
    QCOMPARE(form.pointerState(), int(PointerDefault));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_folders::samplesLieBesideTheProgram()
{
    // The demonstration search over the samples the build placed beside the program.
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.Form_Load();
    form.Option2->setChecked(true);
    form.folderList().append(QStringLiteral(SCRIVLIST_BUILT_SAMPLES));
    form.Text1->setText(QStringLiteral("ple1.t"));
    fixture.desktop.expectMessage(QStringLiteral("Done."));
    form.PushButton1->click();
    QStringList found;
    for (qsizetype line = 0; line < form.resultList().lineCount(); ++line)
        found << form.resultList().lineText(line);
    found.sort();
    QCOMPARE(found, QStringList({"Example1.txt", "Sample1.txt", "Triple1.txt"}));
    int files = 0;
    for (QDirIterator it(QStringLiteral(SCRIVLIST_BUILT_SAMPLES), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++files;
    QVERIFY(files > found.size());
    QVERIFY(fixture.desktop.problems().isEmpty());
}

QTEST_MAIN(tst_folders)
#include "tst_folders.moc"

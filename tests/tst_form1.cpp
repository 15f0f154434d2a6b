#include "FormFixture.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QtTest>

class tst_form1 : public QObject {
    Q_OBJECT
private slots:
    void controlsStandWhereTheLayoutSays_data();
    void controlsStandWhereTheLayoutSays();
    void windowIsFixedWhiteAndCaptionedAtLoad();
    void tabOrderFollowsTheTabIndexes();
    void firstStartWritesTheDefaultsBack();
    void restoresOption_data();
    void restoresOption();
    void restoresCheck5_data();
    void restoresCheck5();
    void typingWritesEveryChange();
    void choicesSurviveARestart();
    void millionCharacterPhraseSurvivesRestartsExactly();
    void makerPageOpensOnlyOnSeven();
    void makerPageThatCannotOpenIsReportedAt110();
    void unreadableStoreStillStarts();
    void closingEndsTheProgram();
};

void tst_form1::controlsStandWhereTheLayoutSays_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("pixels");
    // Pixels at 15 twips each, rounded.
    const auto row = [](const char* name, const char* kind, const char* caption, const char* container, QRect r) {
        QTest::newRow(name) << name << kind << caption << container << r;
    };
    row("PushButton7", "QPushButton", "Help", "Form1", {8, 8, 256, 27});
    row("ListView1", "QTableView", "", "Form1", {8, 42, 520, 113});
    row("Frame3", "QGroupBox", "Search For Files", "Form1", {8, 190, 520, 52});
    row("Text1", "QLineEdit", "Text1", "Frame3", {16, 20, 488, 22});
    row("Frame2", "QGroupBox", "Search Option", "Form1", {8, 245, 520, 47});
    row("Check5", "QCheckBox", "Search in subfolders also", "Frame2", {16, 20, 169, 17});
    row("Frame1", "QGroupBox", "What To Put In Results", "Form1", {8, 296, 520, 116});
    row("Option4", "QRadioButton", "Just Subfolder", "Frame1", {16, 90, 113, 17});
    row("Option3", "QRadioButton", "Just Path", "Frame1", {16, 67, 81, 17});
    row("Option2", "QRadioButton", "Just Filename", "Frame1", {16, 43, 105, 17});
    row("Option1", "QRadioButton", "Path and Filename", "Frame1", {16, 20, 137, 17});
    row("ListView2", "QTableView", "", "Form1", {8, 453, 520, 121});
    row("PushButton3", "QPushButton", "Add Folder to Search", "Form1", {8, 160, 520, 27});
    row("PushButton1", "QPushButton", "Start Searching", "Form1", {8, 420, 520, 27});
    row("PushButton2", "QPushButton", "Save Results As Text File", "Form1", {8, 580, 256, 27});
    row("PushButton6", "QPushButton", "Clear Results", "Form1", {8, 648, 256, 27});
    row("PushButton17", "QPushButton", "Remove Results Containing X", "Form1", {8, 614, 256, 27});
    row("PushButton11", "QPushButton", "Remove Results Not Cont. X", "Form1", {272, 614, 256, 27});
    row("PushButton4", "QPushButton", "Copy Results To Clipboard", "Form1", {272, 580, 256, 27});
    row("PushButton5", "QPushButton", "Search For Text Inside Files", "Form1", {272, 648, 256, 27});
    row("PushButton8", "QPushButton", "Load Sample/Example Folder", "Form1", {272, 8, 256, 27});
}

void tst_form1::controlsStandWhereTheLayoutSays()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, container);
    QFETCH(QRect, pixels);
    FormFixture fixture;
    auto* control = fixture.form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->geometry(), pixels);
    const QFont font = control->font();
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QVERIFY(font.bold());
    QCOMPARE(font.pointSizeF(), kind == QLatin1String("QPushButton") ? 11.25 : 9.0);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        QCOMPARE(button->text(), caption);
    else if (auto* frame = qobject_cast<QGroupBox*>(control))
        QCOMPARE(frame->title(), caption);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        QCOMPARE(edit->text(), caption);
    else if (auto* view = qobject_cast<QTableView*>(control)) {
        QCOMPARE(view->toolTip(), QStringLiteral("Double-click item to remove it. Move | line to right and out of "
                                                 "window to reveal full names."));
        QVERIFY(!view->horizontalHeader()->isHidden());
        QVERIFY(view->showGrid());
    }
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_form1::windowIsFixedWhiteAndCaptionedAtLoad()
{
    FormFixture fixture;
    Form1& form = *fixture.form;
    // Design-time states before the load restores anything.
    QCOMPARE(form.Check5->checkState(), Qt::Checked);
    QVERIFY(!form.Option1->isChecked() && !form.Option2->isChecked() && !form.Option3->isChecked()
            && !form.Option4->isChecked());
    QCOMPARE(form.Text1->text(), QStringLiteral("Text1"));

    form.Form_Load();
    QCOMPARE(form.windowTitle(), QStringLiteral("Scrivlist Software"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Scrivlist"));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.size(), QSize(536, 682));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(form.Frame1->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(form.PushButton1->palette().color(QPalette::Button), QColor(Qt::white));
    QCOMPARE(form.folderList().headerText(), QStringLiteral("Folder(s)"));
    QCOMPARE(form.resultList().headerText(), QStringLiteral("Results"));
    QCOMPARE(form.ListView1->horizontalHeader()->sectionSize(0), 467);
    QCOMPARE(form.ListView2->horizontalHeader()->sectionSize(0), 467);
    QCOMPARE(form.ListView1->model()->rowCount(), 0);
    QCOMPARE(form.ListView2->model()->rowCount(), 0);
    QVERIFY(form.ListView2->model()->flags(QModelIndex()) == Qt::NoItemFlags);
    QVERIFY(!form.customPointer());
    form.showCentered();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(QApplication::focusWidget(), form.ListView1);
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_form1::tabOrderFollowsTheTabIndexes()
{
    FormFixture fixture;
    QStringList order;
    QWidget* widget = fixture.form->ListView1;
    do {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
    } while (widget != fixture.form->ListView1 && order.size() < 40);
    QCOMPARE(order, QStringList({"ListView1", "ListView2", "PushButton3", "PushButton1", "PushButton2", "PushButton6",
                                 "PushButton17", "PushButton11", "Option1", "Option2", "Option3", "Option4",
                                 "PushButton4", "Check5", "Text1", "PushButton5", "PushButton7", "PushButton8"}));
}

void tst_form1::firstStartWritesTheDefaultsBack()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    Form1& form = *fixture.form;
    QCOMPARE(form.Check5->checkState(), Qt::Checked);
    QCOMPARE(form.Text1->text(), QString());
    QVERIFY(form.Option1->isChecked());
    QSettings stored(fixture.settingsPath(), QSettings::NativeFormat);
    QCOMPARE(stored.value(QStringLiteral("Scrivlist Software/Option")).toString(), QStringLiteral("1"));
    QVERIFY(stored.contains(QStringLiteral("Scrivlist Software/Text1")));
    QCOMPARE(stored.value(QStringLiteral("Scrivlist Software/Text1")).toString(), QString());
    // Restoring the design-time state of the check box changes nothing, so nothing is written.
    QVERIFY(!stored.contains(QStringLiteral("Scrivlist Software/Check5")));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_form1::restoresOption_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("afterwards");
    QTest::addColumn<bool>("reported");
    QTest::newRow("1") << "1" << 1 << "1" << false;
    QTest::newRow("2") << "2" << 2 << "2" << false;
    QTest::newRow("3") << "3" << 3 << "3" << false;
    QTest::newRow("4") << "4" << 4 << "4" << false;
    QTest::newRow("0") << "0" << 4 << "4" << false;
    QTest::newRow("7") << "7" << 4 << "4" << false;
    QTest::newRow("2.5") << "2.5" << 4 << "4" << false;
    QTest::newRow("abc") << "abc" << 1 << "1" << true;
    QTest::newRow("empty text") << "" << 1 << "1" << true;
    QTest::newRow("missing") << QString() << 1 << "1" << false;
}

void tst_form1::restoresOption()
{
    QFETCH(QString, stored);
    QFETCH(int, selected);
    QFETCH(QString, afterwards);
    QFETCH(bool, reported);
    FormFixture fixture;
    if (!stored.isNull())
        fixture.settings->write(QStringLiteral("Option"), stored);
    if (reported)
        fixture.desktop.expectError(QStringLiteral("Type mismatch\r\nin Scrivlist2021/08/31.Form1.Form_Load at line 142"
                                                   "\r\rPlease email screenshot of this message to "
                                                   "support@quillmark.example"));
    fixture.form->Form_Load();
    const QList<QRadioButton*> options{fixture.form->Option1, fixture.form->Option2, fixture.form->Option3,
                                       fixture.form->Option4};
    for (int i = 0; i < options.size(); ++i)
        QCOMPARE(options[i]->isChecked(), i + 1 == selected);
    QCOMPARE(fixture.settings->read(QStringLiteral("Option"), QStringLiteral("missing")), afterwards);
    QVERIFY2(fixture.desktop.problems().isEmpty(), qPrintable(fixture.desktop.problems().join('\n')));
}

void tst_form1::restoresCheck5_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("afterwards");
    QTest::addColumn<bool>("reported");
    QTest::newRow("0") << "0" << 0 << "0" << false;
    QTest::newRow("1") << "1" << 1 << "1" << false;
    QTest::newRow("2 greyed") << "2" << 2 << "2" << false;
    QTest::newRow("5") << "5" << 1 << "5" << true;
    QTest::newRow("abc") << "abc" << 1 << "abc" << true;
    QTest::newRow("missing") << QString() << 1 << "missing" << false;
}

void tst_form1::restoresCheck5()
{
    QFETCH(QString, stored);
    QFETCH(int, state);
    QFETCH(QString, afterwards);
    QFETCH(bool, reported);
    FormFixture fixture;
    if (!stored.isNull())
        fixture.settings->write(QStringLiteral("Check5"), stored);
    if (reported)
        fixture.desktop.expectError();
    fixture.form->Form_Load();
    QCOMPARE(fixture.form->check5Value(), state);
    QCOMPARE(fixture.settings->read(QStringLiteral("Check5"), QStringLiteral("missing")), afterwards);
    if (reported)
        QVERIFY(fixture.desktop.shownTexts(FakeDesktop::Kind::Error).value(0).contains(QStringLiteral("at line 136")));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_form1::typingWritesEveryChange()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    // Count the writes by watching the file change on disk after each key.
    QStringList written;
    QObject::connect(fixture.form->Text1, &QLineEdit::textChanged, [&] {
        written << QSettings(fixture.settingsPath(), QSettings::NativeFormat)
                       .value(QStringLiteral("Scrivlist Software/Text1"))
                       .toString();
    });
    QTest::keyClicks(fixture.form->Text1, QStringLiteral(".txt,"));
    QCOMPARE(written, QStringList({".", ".t", ".tx", ".txt", ".txt,"}));
    fixture.form->Text1->clear();
    QCOMPARE(fixture.settings->read(QStringLiteral("Text1"), QStringLiteral("missing")), QString());
    fixture.restart();
    fixture.form->Form_Load();
    QCOMPARE(fixture.form->Text1->text(), QString());
}

void tst_form1::choicesSurviveARestart()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.form->Option3->click();
    fixture.form->Check5->click();
    fixture.form->Text1->setText(QStringLiteral(" .doc"));
    QCOMPARE(fixture.settings->read(QStringLiteral("Check5"), {}), QStringLiteral("0"));
    fixture.restart();
    fixture.form->Form_Load();
    QVERIFY(fixture.form->Option3->isChecked());
    QCOMPARE(fixture.form->check5Value(), 0);
    QCOMPARE(fixture.form->Text1->text(), QStringLiteral(" .doc"));
    // A click on a greyed box never leaves it greyed.
    fixture.form->setCheck5Value(2);
    fixture.form->Check5->click();
    QCOMPARE(fixture.form->check5Value(), 1);
    fixture.form->Check5->click();
    QCOMPARE(fixture.form->check5Value(), 0);
}

void tst_form1::millionCharacterPhraseSurvivesRestartsExactly()
{
    // Characters of the kinds a store has to quote or escape, and one
    // that takes two UTF-16 units.
    const QString piece = QStringLiteral("a b,c;d=e\"f\\g#[h]\t\n\r%\u00e9\u4e2d") + QString::fromUcs4(U"\U0001F600");
    QCOMPARE(piece.size(), 25);
    const QString phrase = piece.repeated(40000);
    const auto storedBytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.settings->write(QStringLiteral("Text1"), phrase);
    const QByteArray stored = storedBytes(fixture.settingsPath());

    for (int start = 1; start <= 2; ++start) {
        fixture.restart();
        fixture.form->Form_Load();
        QVERIFY2(fixture.form->Text1->text() == phrase, qPrintable(QString::number(start)));
        QVERIFY2(storedBytes(fixture.settingsPath()) == stored, qPrintable(QString::number(start)));
    }
}

void tst_form1::makerPageOpensOnlyOnSeven()
{
    for (int dice : {1, 6, 8, 100}) {
        FormFixture fixture(dice);
        fixture.form->Form_Load();
        QVERIFY(fixture.desktop.opened.isEmpty());
    }
    FormFixture lucky(7);
    lucky.form->Form_Load();
    QCOMPARE(lucky.desktop.opened, QStringList{QStringLiteral("https://www.quillmark.example/")});
    QVERIFY(lucky.desktop.problems().isEmpty());
}

void tst_form1::makerPageThatCannotOpenIsReportedAt110()
{
    FormFixture fixture(7);
    fixture.desktop.openSucceeds = false;
    fixture.desktop.expectError();
    fixture.form->Form_Load();
    QVERIFY(fixture.desktop.shownTexts(FakeDesktop::Kind::Error).value(0).contains(QStringLiteral("at line 110")));
    // Start-up went on.
    QCOMPARE(fixture.form->folderList().headerText(), QStringLiteral("Folder(s)"));
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_form1::unreadableStoreStillStarts()
{
    FormFixture fixture;
    QFile corrupt(fixture.settingsPath());
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    static const char garbage[] = "\x00\xff[[[=\n\x01garbage";
    corrupt.write(garbage, sizeof garbage - 1);
    corrupt.close();
    fixture.restart();
    fixture.form->Form_Load();
    QVERIFY(fixture.form->Option1->isChecked());
    QCOMPARE(fixture.form->check5Value(), 1);
    QVERIFY(fixture.desktop.problems().isEmpty());
}

void tst_form1::closingEndsTheProgram()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.form->show();
    fixture.form->close();
    QVERIFY(fixture.desktop.programEnded);
}

QTEST_MAIN(tst_form1)
#include "tst_form1.moc"

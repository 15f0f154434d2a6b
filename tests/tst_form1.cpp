#include "app/AppTitle.h"
#include "common/Failure.h"
#include "common/StepTrap.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnreachableDesktop.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
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
    void restoresSetting_data();
    void restoresSetting();
    void typingWritesEveryChange();
    void choicesSurviveARestart();
    void millionCharacterPhraseSurvivesRestartsExactly();
    void makerPage_data();
    void makerPage();
    void unreadableStoreStillStarts();
    void closingEndsTheProgram();
    void appTitle_data();
    void appTitle();
    void handlersReportUnderTheirOwnNames_data();
    void handlersReportUnderTheirOwnNames();
    void trapComposesTheWindowsText();
    void removal_data();
    void removal();
    void deleteRemovesOnlyTheSelectedOfTwoEqualLines();
    void sampleFolder_data();
    void sampleFolder();
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
    // Drawn at a small and a large size with no image plugin at hand.
    QVERIFY(!form.windowIcon().pixmap(16).isNull() && !form.windowIcon().pixmap(256).isNull());
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

void tst_form1::restoresSetting_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored"); // null when missing
    QTest::addColumn<int>("restored");   // the option selected, or the state of the check box
    QTest::addColumn<QString>("afterwards");
    QTest::addColumn<QString>("error"); // empty for none
    QTest::addColumn<int>("line");
    const auto option = [](const char* name, const QString& stored, int selected, const char* afterwards,
                           const char* error = "") {
        QTest::addRow("Option %s", name) << "Option" << stored << selected << afterwards << error << 142;
    };
    option("1", "1", 1, "1");
    option("2", "2", 2, "2");
    option("3", "3", 3, "3");
    option("4", "4", 4, "4");
    option("0", "0", 4, "4");
    option("7", "7", 4, "4");
    option("2.5", "2.5", 4, "4");
    option("abc", "abc", 1, "1", "Type mismatch");
    option("empty text", "", 1, "1", "Type mismatch");
    option("missing", QString(), 1, "1");
    const auto check5 = [](const char* name, const QString& stored, int state, const char* afterwards,
                           const char* error = "") {
        QTest::addRow("Check5 %s", name) << "Check5" << stored << state << afterwards << error << 136;
    };
    check5("0", "0", 0, "0");
    check5("1", "1", 1, "1");
    check5("2 greyed", "2", 2, "2");
    check5("5", "5", 1, "5", "Invalid property value");
    check5("abc", "abc", 1, "abc", "Type mismatch");
    check5("missing", QString(), 1, "missing");
}

void tst_form1::restoresSetting()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(int, restored);
    QFETCH(QString, afterwards);
    QFETCH(QString, error);
    QFETCH(int, line);
    FormFixture fixture;
    if (!stored.isNull())
        fixture.settings->write(key, stored);
    if (!error.isEmpty())
        fixture.desktop.expectError(StepTrap::composeText(error, handlerLocation("Form_Load"), line));
    fixture.form->Form_Load();
    Form1& form = *fixture.form;
    if (key == QLatin1String("Check5")) {
        QCOMPARE(form.check5Value(), restored);
    } else {
        const QList<QRadioButton*> options{form.Option1, form.Option2, form.Option3, form.Option4};
        for (int i = 0; i < options.size(); ++i)
            QCOMPARE(options[i]->isChecked(), i + 1 == restored);
    }
    QCOMPARE(fixture.settings->read(key, QStringLiteral("missing")), afterwards);
    QVERIFY2(fixture.desktop.problems().isEmpty(), qPrintable(fixture.desktop.problems().join('\n')));
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
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.settings->write(QStringLiteral("Text1"), phrase);
    const QByteArray stored = fileBytes(fixture.settingsPath());

    for (int start = 1; start <= 2; ++start) {
        fixture.restart();
        fixture.form->Form_Load();
        QVERIFY2(fixture.form->Text1->text() == phrase, qPrintable(QString::number(start)));
        QVERIFY2(fileBytes(fixture.settingsPath()) == stored, qPrintable(QString::number(start)));
    }
}

void tst_form1::makerPage_data()
{
    QTest::addColumn<int>("dice");
    QTest::addColumn<bool>("handled"); // whether the desktop can open web pages
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("reported");
    for (int dice : {1, 6, 8, 100})
        QTest::addRow("dice %d", dice) << dice << true << false << false;
    QTest::newRow("dice 7") << 7 << true << true << false;
    QTest::newRow("dice 7, no web handler") << 7 << false << true << true;
}

void tst_form1::makerPage()
{
    QFETCH(int, dice);
    QFETCH(bool, handled);
    QFETCH(bool, opened);
    QFETCH(bool, reported);
    FormFixture fixture(dice);
    fixture.desktop.openSucceeds = handled;
    const QString page = QStringLiteral("https://www.quillmark.example/");
    if (reported)
        fixture.desktop.expectError(StepTrap::composeText(QStringLiteral("The web page could not be opened: ") + page,
                                                          handlerLocation("Form_Load"), 110));
    fixture.form->Form_Load();
    QCOMPARE(fixture.desktop.opened, opened ? QStringList{page} : QStringList{});
    // Start-up went on.
    QCOMPARE(fixture.form->folderList().headerText(), QStringLiteral("Folder(s)"));
    QVERIFY2(fixture.desktop.problems().isEmpty(), qPrintable(fixture.desktop.problems().join('\n')));
}

void tst_form1::unreadableStoreStillStarts()
{
    FormFixture fixture;
    static const char garbage[] = "\x00\xff[[[=\n\x01garbage";
    writeFile(fixture.settingsPath(), QByteArray(garbage, sizeof garbage - 1));
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

void tst_form1::appTitle_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("expected"); // empty when it fails
    QTest::newRow("ours") << "Scrivlist Software"
                          << "Scrivlist";
    QTest::newRow("short names still lose a word") << "A B C"
                                                   << "A B";
    QTest::newRow("trailing space") << "Tool "
                                    << "Tool";
    QTest::newRow("longer than 40 loses words until 40 remain") << "Alpha Bravo Charlie Delta Echo Foxtrot Golf Hotel"
                                                                << "Alpha Bravo Charlie Delta Echo Foxtrot";
    QTest::newRow("exactly 40 after one cut")
        << QStringLiteral("%1 tail").arg(QString(40, QLatin1Char('x'))) << QString(40, QLatin1Char('x'));
    QTest::newRow("no space fails") << "Scrivlist"
                                    << "";
    QTest::newRow("still too long when the last space is gone fails")
        << QString(45, QLatin1Char('y')) + QStringLiteral(" z") << "";
}

void tst_form1::appTitle()
{
    QFETCH(QString, product);
    QFETCH(QString, expected);
    if (expected.isEmpty())
        QVERIFY_THROWS_EXCEPTION(Failure, deriveAppTitle(product));
    else
        QCOMPARE(deriveAppTitle(product), expected);
}

void tst_form1::handlersReportUnderTheirOwnNames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("handler");
    QTest::addColumn<int>("line"); // of the first failing step
    QTest::addColumn<int>("errors");
    QTest::newRow("Start Searching") << "PushButton1"
                                     << "PushButton1_Click" << 144 << 1;
    QTest::newRow("Save") << "PushButton2"
                          << "PushButton2_Click" << 114 << 1;
    QTest::newRow("Add Folder") << "PushButton3"
                                << "PushButton3_Click" << 100 << 1;
    QTest::newRow("Copy") << "PushButton4"
                          << "PushButton4_Click" << 108 << 1;
    QTest::newRow("companion page") << "PushButton5"
                                    << "PushButton5_Click" << 100 << 1;
    QTest::newRow("Help") << "PushButton7"
                          << "PushButton7_Click" << 100 << 1;
    QTest::newRow("sample folder") << "PushButton8"
                                   << "PushButton8_Click" << 102 << 2;
    QTest::newRow("Remove Not Containing") << "PushButton11"
                                           << "PushButton11_Click" << 100 << 1;
    QTest::newRow("Remove Containing") << "PushButton17"
                                       << "PushButton17_Click" << 100 << 1;
}

// The window names each handler's location; the work behind it only numbers steps.
void tst_form1::handlersReportUnderTheirOwnNames()
{
    QFETCH(QString, button);
    QFETCH(QString, handler);
    QFETCH(int, line);
    QFETCH(int, errors);
    QTemporaryDir folder;
    UnreachableDesktop desktop;
    SettingsStore settings(folder.filePath(QStringLiteral("Quillmark.conf")));
    Form1 form(Form1Services{desktop, settings, folder.path(), [] { return 1; }});
    form.show();
    for (int error = 0; error < errors; ++error)
        desktop.expectError();
    QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
    QVERIFY2(desktop.problems().isEmpty(), qPrintable(desktop.problems().join('\n')));
    const QString expected = QStringLiteral("Automation error\r\nin Scrivlist2021/08/31.Form1.") + handler
                             + QStringLiteral(" at line %1\r\r").arg(line);
    QVERIFY(desktop.shownTexts(FakeDesktop::Kind::Error).value(0).startsWith(expected));
}

void tst_form1::trapComposesTheWindowsText()
{
    QCOMPARE(StepTrap::composeText(QStringLiteral("Type mismatch"), handlerLocation("Form_Load"), 142),
             QStringLiteral("Type mismatch\r\nin Scrivlist2021/08/31.Form1.Form_Load at line 142\r\r"
                            "Please email screenshot of this message to support@quillmark.example"));
}

void tst_form1::removal_data()
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

void tst_form1::removal()
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
    form.setPointerState(busy ? PointerState::Busy : PointerState::Default);
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

void tst_form1::deleteRemovesOnlyTheSelectedOfTwoEqualLines()
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

void tst_form1::sampleFolder_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

// Twice, so the second click appends the entry again and asks again.
void tst_form1::sampleFolder()
{
    QFETCH(bool, yes);
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.Form_Load();
    form.Text1->setText(QStringLiteral(".doc"));
    // The pointer is not this button's to touch.
    form.setPointerState(PointerState::Arrow);
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
    QCOMPARE(form.pointerState(), PointerState::Arrow);
    QVERIFY(fixture.desktop.problems().isEmpty());
}

QTEST_MAIN(tst_form1)
#include "tst_form1.moc"

#include "app/AppTitle.h"
#include "app/PointerFeedback.h"
#include "app/SubfolderCheckBox.h"
#include "common/Failure.h"
#include "common/StepTrap.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ResultLists.h"
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
    void windowShowsTheLayout();
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
    void removal_data();
    void removal();
    void deleteRemovesOnlyTheSelectedOfTwoEqualLines();
    void sampleFolder_data();
    void sampleFolder();
    void searchWritesTheChosenForm_data();
    void searchWritesTheChosenForm();
};

// The layout read from the running window: pixels are twips / 15, rounded. The controls stand in rows from the
// top, one across the width from 120 to 7920 twips or two sharing it 120 apart; in a frame they stand 240 from its
// left, the first 300 from its top and each next one 350 below, the pattern box as wide as the frame less 240 on
// each side. The push buttons have their 11.25 pt, everything else the window's 9 pt, Arial bold.
void tst_form1::windowShowsTheLayout()
{
    const struct {
        const char* container; // a frame, or none for the window
        int top;               // twips
        int height;
        QStringList controls; // "name=caption", left to right or top to bottom
    } rows[] = {
        {nullptr, 120, 405, {"PushButton7=Help", "PushButton8=Load Sample/Example Folder"}},
        {nullptr, 630, 1695, {"ListView1="}},
        {nullptr, 2400, 405, {"PushButton3=Add Folder to Search"}},
        {nullptr, 2850, 780, {"Frame3=Search For Files"}},
        {nullptr, 3675, 700, {"Frame2=Search Option"}},
        {nullptr, 4440, 1740, {"Frame1=What To Put In Results"}},
        {nullptr, 6300, 405, {"PushButton1=Start Searching"}},
        {nullptr, 6795, 1815, {"ListView2="}},
        {nullptr, 8700, 405, {"PushButton2=Save Results As Text File", "PushButton4=Copy Results To Clipboard"}},
        {nullptr, 9210, 405, {"PushButton17=Remove Results Containing X", "PushButton11=Remove Results Not Cont. X"}},
        {nullptr, 9720, 405, {"PushButton6=Clear Results", "PushButton5=Search For Text Inside Files"}},
        {"Frame3", 300, 330, {"Text1=Text1"}},
        {"Frame2", 300, 255, {"Check5=Search in subfolders also"}},
        {"Frame1",
         300,
         255,
         {"Option1=Path and Filename", "Option2=Just Filename", "Option3=Just Path", "Option4=Just Subfolder"}},
    };
    const auto px = [](int twips) { return (twips + 7) / 15; };
    FormFixture fixture;
    int placed = 0;
    for (const auto& row : rows) {
        QWidget* container = row.container ? fixture.control(QLatin1String(row.container)) : fixture.form.get();
        for (qsizetype at = 0; at < row.controls.size(); ++at, ++placed) {
            const QString name = row.controls[at].section(QLatin1Char('='), 0, 0);
            QWidget* control = fixture.control(name);
            QVERIFY2(control && control->parentWidget() == container, qPrintable(name));
            QRect expected(px(120 + int(at) * 3960), px(row.top), px(row.controls.size() == 1 ? 7800 : 3840),
                           px(row.height));
            if (row.container) // the check box and the options as wide as their captions
                expected = QRect(px(240), px(row.top + int(at) * 350),
                                 name == QLatin1String("Text1") ? px(7320) : control->width(), px(row.height));
            QCOMPARE(control->geometry(), expected);
            const auto* button = qobject_cast<QAbstractButton*>(control);
            const auto* frame = qobject_cast<QGroupBox*>(control);
            const auto* edit = qobject_cast<QLineEdit*>(control);
            QCOMPARE(button  ? button->text()
                     : frame ? frame->title()
                     : edit  ? edit->text()
                             : QString(),
                     row.controls[at].section(QLatin1Char('='), 1));
            const QFont font = control->font();
            QCOMPARE(font.family() + (font.bold() ? QStringLiteral(" bold ") : QStringLiteral(" ")),
                     QStringLiteral("Arial bold "));
            QCOMPARE(font.pointSizeF(), name.startsWith(QLatin1String("PushButton")) ? 11.25 : 9.0);
        }
    }
    QCOMPARE(placed, 21);
    for (const int list : {1, 2}) {
        QTableView* view = fixture.list(list);
        QCOMPARE(view->toolTip(), QStringLiteral("Double-click item to remove it. Move | line to right and out of "
                                                 "window to reveal full names."));
        QCOMPARE(view->viewport()->toolTip(), view->toolTip());
        QVERIFY(!view->horizontalHeader()->isHidden() && view->showGrid());
    }
}

void tst_form1::windowIsFixedWhiteAndCaptionedAtLoad()
{
    FormFixture fixture;
    Form1& form = *fixture.form;
    // Design-time states before the load restores anything.
    QCOMPARE(fixture.control<QCheckBox>("Check5")->checkState(), Qt::Checked);
    for (const char* option : {"Option1", "Option2", "Option3", "Option4"})
        QVERIFY(!fixture.control<QRadioButton>(option)->isChecked());
    QCOMPARE(fixture.control<QLineEdit>("Text1")->text(), QStringLiteral("Text1"));

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
    QCOMPARE(fixture.control("Frame1")->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(fixture.control("PushButton1")->palette().color(QPalette::Button), QColor(Qt::white));
    QCOMPARE(form.folderList().headerText(), QStringLiteral("Folder(s)"));
    QCOMPARE(form.resultList().headerText(), QStringLiteral("Results"));
    for (const int list : {1, 2}) {
        QCOMPARE(fixture.list(list)->horizontalHeader()->sectionSize(0), 467);
        QCOMPARE(fixture.list(list)->model()->rowCount(), 0);
    }
    QVERIFY(fixture.list(2)->model()->flags(QModelIndex()) == Qt::NoItemFlags);
    QVERIFY(!form.pointer().customImage());
    form.showCentered();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(QApplication::focusWidget(), fixture.list(1));
}

void tst_form1::tabOrderFollowsTheTabIndexes()
{
    FormFixture fixture;
    QStringList order;
    QWidget* widget = fixture.list(1);
    do {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
    } while (widget != fixture.list(1) && order.size() < 40);
    QCOMPARE(order, QStringList({"ListView1", "ListView2", "PushButton3", "PushButton1", "PushButton2", "PushButton6",
                                 "PushButton17", "PushButton11", "Option1", "Option2", "Option3", "Option4",
                                 "PushButton4", "Check5", "Text1", "PushButton5", "PushButton7", "PushButton8"}));
}

void tst_form1::firstStartWritesTheDefaultsBack()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    QCOMPARE(fixture.control<QCheckBox>("Check5")->checkState(), Qt::Checked);
    QCOMPARE(fixture.control<QLineEdit>("Text1")->text(), QString());
    QVERIFY(fixture.control<QRadioButton>("Option1")->isChecked());
    QSettings stored(fixture.settingsPath(), QSettings::NativeFormat);
    QCOMPARE(stored.value(QStringLiteral("Scrivlist Software/Option")).toString(), QStringLiteral("1"));
    QVERIFY(stored.contains(QStringLiteral("Scrivlist Software/Text1")));
    QCOMPARE(stored.value(QStringLiteral("Scrivlist Software/Text1")).toString(), QString());
    // Restoring the design-time state of the check box changes nothing, so nothing is written.
    QVERIFY(!stored.contains(QStringLiteral("Scrivlist Software/Check5")));
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
    if (key == QLatin1String("Check5")) {
        QCOMPARE(fixture.control<SubfolderCheckBox>("Check5")->value(), restored);
    } else {
        for (int option = 1; option <= 4; ++option)
            QCOMPARE(fixture.control<QRadioButton>(QStringLiteral("Option%1").arg(option))->isChecked(),
                     option == restored);
    }
    QCOMPARE(fixture.settings->read(key, QStringLiteral("missing")), afterwards);
}

void tst_form1::typingWritesEveryChange()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    // Count the writes by watching the file change on disk after each key.
    QStringList written;
    auto* text1 = fixture.control<QLineEdit>("Text1");
    QObject::connect(text1, &QLineEdit::textChanged, [&] {
        written << QSettings(fixture.settingsPath(), QSettings::NativeFormat)
                       .value(QStringLiteral("Scrivlist Software/Text1"))
                       .toString();
    });
    QTest::keyClicks(text1, QStringLiteral(".txt,"));
    QCOMPARE(written, QStringList({".", ".t", ".tx", ".txt", ".txt,"}));
    text1->clear();
    QCOMPARE(fixture.settings->read(QStringLiteral("Text1"), QStringLiteral("missing")), QString());
    fixture.restart();
    fixture.form->Form_Load();
    QCOMPARE(fixture.control<QLineEdit>("Text1")->text(), QString());
}

void tst_form1::choicesSurviveARestart()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.control<QRadioButton>("Option3")->click();
    fixture.control<QCheckBox>("Check5")->click();
    fixture.control<QLineEdit>("Text1")->setText(QStringLiteral(" .doc"));
    QCOMPARE(fixture.settings->read(QStringLiteral("Check5"), {}), QStringLiteral("0"));
    fixture.restart();
    fixture.form->Form_Load();
    auto* check5 = fixture.control<SubfolderCheckBox>("Check5");
    QVERIFY(fixture.control<QRadioButton>("Option3")->isChecked());
    QCOMPARE(check5->value(), 0);
    QCOMPARE(fixture.control<QLineEdit>("Text1")->text(), QStringLiteral(" .doc"));
    // A click on a greyed box never leaves it greyed.
    check5->setValue(2);
    check5->click();
    QCOMPARE(check5->value(), 1);
    check5->click();
    QCOMPARE(check5->value(), 0);
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
        QVERIFY2(fixture.control<QLineEdit>("Text1")->text() == phrase, qPrintable(QString::number(start)));
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
}

void tst_form1::unreadableStoreStillStarts()
{
    FormFixture fixture;
    static const char garbage[] = "\x00\xff[[[=\n\x01garbage";
    writeFile(fixture.settingsPath(), QByteArray(garbage, sizeof garbage - 1));
    fixture.restart();
    fixture.form->Form_Load();
    QVERIFY(fixture.control<QRadioButton>("Option1")->isChecked());
    QCOMPARE(fixture.control<SubfolderCheckBox>("Check5")->value(), 1);
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
    const QString expected = QStringLiteral("Automation error\r\nin Scrivlist2021/08/31.Form1.") + handler
                             + QStringLiteral(" at line %1\r\r").arg(line);
    QVERIFY(desktop.shownTexts(FakeDesktop::Kind::Error).value(0).startsWith(expected));
}

void tst_form1::removal_data()
{
    QTest::addColumn<int>("list"); // 1 or 2
    QTest::addColumn<int>("key");  // 0: a double-click on the selected line, or below the lines for none
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
        row("Delete on the keypad") << int(Qt::Key_Delete) << int(Qt::KeypadModifier) << false << 1
                                    << QStringList{"a", "c"};
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
    ShownForm fixture;
    Form1& form = *fixture.form;
    for (const char* text : {"a", "b", "c"}) {
        form.folderList().append(QLatin1String(text));
        form.resultList().append(text);
    }
    form.resultList().showPendingLines();
    QTableView* view = fixture.list(list);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    if (selected >= 0)
        view->selectRow(selected);
    fixture.setPointer(busy ? PointerState::Busy : PointerState::Default);
    if (key != 0) {
        view->setFocus();
        QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    } else {
        const QRect line = view->visualRect(view->model()->index(selected, 0));
        fixture.doubleClick(view->viewport(),
                            selected >= 0 ? line.center() : QPoint(10, view->viewport()->height() - 5));
    }
    QStringList remaining;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        remaining << view->model()->index(row, 0).data().toString();
    QCOMPARE(remaining, left);
    // The other list is never touched.
    QCOMPARE(fixture.list(3 - list)->model()->rowCount(), 3);
}

void tst_form1::deleteRemovesOnlyTheSelectedOfTwoEqualLines()
{
    ShownForm fixture;
    Form1& form = *fixture.form;
    for (const char* text : {"same", "same", "other"})
        form.resultList().append(text);
    form.resultList().setChecked(0, true);
    form.resultList().showPendingLines();
    fixture.list(2)->selectRow(0);
    fixture.list(2)->setFocus();
    QTest::keyClick(fixture.list(2), Qt::Key_Delete);
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
    auto* text1 = fixture.control<QLineEdit>("Text1");
    text1->setText(QStringLiteral(".doc"));
    // The pointer is not this button's to touch.
    fixture.setPointer(PointerState::Arrow);
    const QString question = QStringLiteral("Would you like this software to open the folder where these sample files "
                                            "are stored (so that you can view them before working with them)?");
    for (int click = 0; click < 2; ++click) {
        fixture.desktop.expectQuestion(question, yes);
        fixture.control<QPushButton>("PushButton8")->click();
    }
    const QString entry = fixture.programFolder() + QStringLiteral("/Samples");
    QCOMPARE(form.folderList().entryCount(), 2);
    QCOMPARE(form.folderList().entry(1), entry);
    QCOMPARE(fixture.desktop.opened, yes ? QStringList(2, entry + QLatin1Char('/')) : QStringList());
    QCOMPARE(text1->text(), QStringLiteral("ple1.t"));
    QCOMPARE(fixture.settings->read(QStringLiteral("Text1"), {}), QStringLiteral("ple1.t"));
    QCOMPARE(fixture.pointer(), PointerState::Arrow);
}

void tst_form1::searchWritesTheChosenForm_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("line"); // %1 is the folder searched
    QTest::newRow("Path and Filename") << "Option1"
                                       << "%1/sub/a.txt";
    QTest::newRow("Just Filename") << "Option2"
                                   << "a.txt";
    QTest::newRow("Just Path") << "Option3"
                               << "%1/sub";
    QTest::newRow("Just Subfolder") << "Option4"
                                    << "sub";
}

// The search reads the option button that is selected.
void tst_form1::searchWritesTheChosenForm()
{
    QFETCH(QString, option);
    QFETCH(QString, line);
    FormFixture fixture;
    QTemporaryDir walked;
    makeTree(walked.path(), {"sub/a.txt"});
    fixture.control<QRadioButton>(option)->setChecked(true);
    fixture.form->folderList().append(walked.path());
    fixture.control<QLineEdit>("Text1")->setText(QStringLiteral("a.txt"));
    fixture.desktop.expectMessage(QStringLiteral("Done."));
    fixture.control<QPushButton>("PushButton1")->click();
    QCOMPARE(lineTexts(fixture.form->resultList()), QStringList{line.arg(walked.path())});
}

QTEST_MAIN(tst_form1)
#include "tst_form1.moc"

#include "app/PointerFeedback.h"
#include "app/SkinEngine.h"
#include "common/StepTrap.h"
#include "folders/FolderListModel.h"
#include "results/ResultModel.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ResultLists.h"
#include "tests/support/TestFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImageWriter>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtEndian>
#include <QtTest>

namespace {

QString skinPath(const FormFixture& fixture)
{
    return fixture.programFolder() + QStringLiteral("/x/o.cjs");
}

QString cursorPath(const FormFixture& fixture)
{
    return fixture.programFolder() + QStringLiteral("/HAND-M.CUR");
}

// A 32 by 32 cursor file: an icon file from Qt's writer, retyped as a cursor
// and given a hotspot in its directory entry.
QByteArray cursorFileBytes(quint16 hotX, quint16 hotY)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(4, 4, 20, 20, Qt::black);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "ico").write(image))
        return {};
    QByteArray bytes = buffer.data();
    auto* header = reinterpret_cast<uchar*>(bytes.data());
    qToLittleEndian<quint16>(2, header + 2);
    qToLittleEndian<quint16>(hotX, header + 6 + 4);
    qToLittleEndian<quint16>(hotY, header + 6 + 6);
    return bytes;
}

// A control by name; "ListView2.viewport" is the area that shows its lines.
QWidget* part(Form1& form, const QString& name)
{
    if (name == QLatin1String("Form1"))
        return &form;
    const QString control = name.section(QLatin1Char('.'), 0, 0);
    if (name.endsWith(QLatin1String(".viewport")))
        return form.findChild<QAbstractItemView*>(control)->viewport();
    return form.findChild<QWidget*>(control);
}

QColor buttonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

const QStringList GroupControls{"Frame1", "Frame2", "Frame3", "Check5", "Option1", "Option2", "Option3", "Option4"};

} // namespace

class tst_look : public QObject {
    Q_OBJECT
private slots:
    void hoverRules_data();
    void hoverRules();
    void realMouseMovesReachTheRules_data();
    void realMouseMovesReachTheRules();
    void pointerShapeFollowsTheState_data();
    void pointerShapeFollowsTheState();
    void restingOnAResultLineSelectsIt();
    void busyPointerDuringASearchGivesWayOnlyToStop();

    void brokenCursorFileIsReportedAt108_data();
    void brokenCursorFileIsReportedAt108();
    void cursorFileLoadsWithItsHotspot_data();
    void cursorFileLoadsWithItsHotspot();
    void shippedHandCursorPointsWithItsFingertip();

    void skinStaysOffWithoutAnOrdinaryFile_data();
    void skinStaysOffWithoutAnOrdinaryFile();
    void skinRecoloursTheGroupControlsAndApplies();
    void skinNeverMovesOrResizesAControl();
    void skinThatIsNoTextIsReportedAt100_data();
    void skinThatIsNoTextIsReportedAt100();
    void shippedExampleSkinAppliesCleanly();
};

void tst_look::hoverRules_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<PointerState>("before");
    QTest::addColumn<PointerState>("after");
    const PointerState before[] = {PointerState::Default, PointerState::Arrow, PointerState::Busy,
                                   PointerState::Custom};
    const auto rows = [&](const QStringList& controls, const std::array<PointerState, 4>& after) {
        for (const QString& control : controls)
            for (size_t i = 0; i < after.size(); ++i)
                QTest::addRow("%s from %d", qPrintable(control), int(before[i])) << control << before[i] << after[i];
    };
    // The busy pointer stays, except over the Start button, which reads "Stop" during a search.
    rows({"Form1", "Frame1", "Frame2", "Frame3", "Text1", "ListView1", "ListView2"},
         {PointerState::Default, PointerState::Default, PointerState::Busy, PointerState::Default});
    rows({"PushButton2", "PushButton3", "PushButton4", "PushButton5", "PushButton6", "PushButton7", "PushButton8",
          "PushButton11", "PushButton17"},
         {PointerState::Custom, PointerState::Custom, PointerState::Busy, PointerState::Custom});
    rows({"PushButton1"}, {PointerState::Custom, PointerState::Custom, PointerState::Custom, PointerState::Custom});
}

void tst_look::hoverRules()
{
    QFETCH(QString, control);
    QFETCH(PointerState, before);
    QFETCH(PointerState, after);
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.pointer().setState(before);
    sendMouseMove(part(form, control));
    QCOMPARE(form.pointer().state(), after);
}

void tst_look::realMouseMovesReachTheRules_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("at"); // inside the control; null for its middle
    QTest::addColumn<PointerState>("before");
    QTest::addColumn<PointerState>("after");
    QTest::newRow("a button") << "PushButton5" << QPoint() << PointerState::Default << PointerState::Custom;
    QTest::newRow("Stop during a search") << "PushButton1" << QPoint() << PointerState::Busy << PointerState::Custom;
    QTest::newRow("a button during a search") << "PushButton2" << QPoint() << PointerState::Busy << PointerState::Busy;
    QTest::newRow("between two buttons") << "Form1" << QPoint(268, 20) << PointerState::Custom << PointerState::Default;
    QTest::newRow("a frame's margin") << "Frame3" << QPoint(4, 30) << PointerState::Custom << PointerState::Default;
    QTest::newRow("the pattern box") << "Text1" << QPoint() << PointerState::Custom << PointerState::Default;
    QTest::newRow("the result lines") << "ListView2.viewport" << QPoint() << PointerState::Custom
                                      << PointerState::Default;
}

void tst_look::realMouseMovesReachTheRules()
{
    QFETCH(QString, control);
    QFETCH(QPoint, at);
    QFETCH(PointerState, before);
    QFETCH(PointerState, after);
    ShownForm fixture;
    Form1& form = *fixture.form;
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.pointer().setState(before);
    QWidget* target = part(form, control);
    QTest::mouseMove(form.windowHandle(), target->mapTo(&form, at.isNull() ? target->rect().center() : at));
    QCOMPARE(form.pointer().state(), after);
}

void tst_look::pointerShapeFollowsTheState_data()
{
    QTest::addColumn<PointerState>("state");
    QTest::addColumn<QString>("control");
    QTest::addColumn<Qt::CursorShape>("shape");
    QTest::newRow("default over the pattern box") << PointerState::Default << "Text1" << Qt::IBeamCursor;
    QTest::newRow("default over the folder list") << PointerState::Default << "ListView1.viewport" << Qt::ArrowCursor;
    QTest::newRow("arrow over the pattern box") << PointerState::Arrow << "Text1" << Qt::ArrowCursor;
    QTest::newRow("busy over the background") << PointerState::Busy << "Form1" << Qt::WaitCursor;
    QTest::newRow("busy over the result lines") << PointerState::Busy << "ListView2.viewport" << Qt::WaitCursor;
    QTest::newRow("busy over the check box") << PointerState::Busy << "Check5" << Qt::WaitCursor;
    QTest::newRow("hand over a button") << PointerState::Custom << "PushButton4" << Qt::PointingHandCursor;
    QTest::newRow("hand over the pattern box") << PointerState::Custom << "Text1" << Qt::PointingHandCursor;
}

void tst_look::pointerShapeFollowsTheState()
{
    QFETCH(PointerState, state);
    QFETCH(QString, control);
    QFETCH(Qt::CursorShape, shape);
    FormFixture fixture;
    Form1& form = *fixture.form;
    // Every shape is reached from the others, so nothing is left over from before.
    for (PointerState step : {PointerState::Custom, PointerState::Busy, PointerState::Arrow, state})
        form.pointer().setState(step);
    QCOMPARE(part(form, control)->cursor().shape(), shape);
}

void tst_look::restingOnAResultLineSelectsIt()
{
    ShownForm fixture;
    Form1& form = *fixture.form;
    appendLines(form.resultList(), QByteArrayList{"/a/one.txt", "/a/two.txt", "/a/three.txt"});
    form.resultList().showPendingLines();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QWidget* lines = controlOf<QTableView>(form, "ListView2")->viewport();
    const auto moveTo = [&](const QPoint& point) { QTest::mouseMove(form.windowHandle(), lines->mapTo(&form, point)); };
    const auto selectedRows = [&] {
        return controlOf<QTableView>(form, "ListView2")->selectionModel()->selectedRows();
    };

    moveTo(controlOf<QTableView>(form, "ListView2")->visualRect(form.resultList().index(2, 0)).center());
    QCOMPARE(controlOf<QTableView>(form, "ListView2")->currentIndex().row(), 2);
    QCOMPARE(selectedRows().size(), 1);
    // Below the last line the selection stays where it was.
    moveTo(QPoint(10, lines->height() - 5));
    QCOMPARE(selectedRows().value(0).row(), 2);
    moveTo(controlOf<QTableView>(form, "ListView2")->visualRect(form.resultList().index(0, 0)).center());
    QCOMPARE(selectedRows().size(), 1);
    QCOMPARE(selectedRows().value(0).row(), 0);
}

void tst_look::busyPointerDuringASearchGivesWayOnlyToStop()
{
    FormFixture fixture;
    Form1& form = *fixture.form;
    form.Form_Load();
    const QString walked = fixture.folder.filePath(QStringLiteral("walked"));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        writeFile(walked + QLatin1Char('/') + QLatin1String(name), "x");
    form.folderList().append(walked);
    controlOf<QLineEdit>(form, "Text1")->setText(QStringLiteral("txt"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto moveOver = [&](QWidget* control, QPoint at = {}) {
        QTest::mouseMove(form.windowHandle(), control->mapTo(&form, at.isNull() ? control->rect().center() : at));
        return form.pointer().state();
    };
    QList<PointerState> states;
    fixture.desktop.onYield = [&](long long) {
        if (!states.isEmpty())
            return;
        states << form.pointer().state() << moveOver(controlOf<QPushButton>(form, "PushButton2"))
               << moveOver(controlOf<QTableView>(form, "ListView1"))
               << moveOver(controlOf<QPushButton>(form, "PushButton1"))
               << moveOver(controlOf<QGroupBox>(form, "Frame3"), QPoint(4, 30));
    };
    fixture.desktop.expectMessage(QStringLiteral("Done."));
    controlOf<QPushButton>(form, "PushButton1")->click();
    QCOMPARE(states, QList<PointerState>({PointerState::Busy, PointerState::Busy, PointerState::Busy,
                                          PointerState::Custom, PointerState::Default}));
    QCOMPARE(form.pointer().state(), PointerState::Default);
}

void tst_look::brokenCursorFileIsReportedAt108_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty with isFolder: a folder of that name
    QTest::addColumn<bool>("isFolder");
    QByteArray icon = cursorFileBytes(0, 0);
    icon[2] = 1;
    QTest::newRow("text") << QByteArray("not a cursor at all\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("an icon, not a cursor") << icon << false;
    QTest::newRow("directory without its image") << cursorFileBytes(3, 3).left(22) << false;
    QTest::newRow("image data damaged") << cursorFileBytes(3, 3).left(60) << false;
    QTest::newRow("a folder of that name") << QByteArray() << true;
}

void tst_look::brokenCursorFileIsReportedAt108()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isFolder);
    FormFixture fixture;
    if (isFolder)
        QVERIFY(QDir().mkpath(cursorPath(fixture)));
    else
        writeFile(cursorPath(fixture), bytes);
    fixture.desktop.expectError();
    Form1& form = *fixture.form;
    form.Form_Load();
    const QStringList lines =
        fixture.desktop.shownTexts(FakeDesktop::Kind::Error).value(0).split(QStringLiteral("\r\n"));
    QVERIFY(lines.value(0).endsWith(cursorPath(fixture)));
    QVERIFY(lines.value(1).startsWith(QStringLiteral("in Scrivlist2021/08/31.Form1.Form_Load at line 108\r")));
    QVERIFY(!form.pointer().customImage());
    // Start-up went on, and the hand state falls back to the platform's hand.
    QCOMPARE(form.resultList().headerText(), QStringLiteral("Results"));
    form.pointer().setState(PointerState::Custom);
    QCOMPARE(controlOf<QPushButton>(form, "PushButton3")->cursor().shape(), Qt::PointingHandCursor);
}

void tst_look::cursorFileLoadsWithItsHotspot_data()
{
    QTest::addColumn<QPoint>("hotspot");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("inside") << QPoint(5, 7) << QPoint(5, 7);
    QTest::newRow("bottom right") << QPoint(31, 31) << QPoint(31, 31);
    QTest::newRow("beyond the image") << QPoint(40, 3) << QPoint(31, 3);
}

void tst_look::cursorFileLoadsWithItsHotspot()
{
    QFETCH(QPoint, hotspot);
    QFETCH(QPoint, expected);
    FormFixture fixture;
    writeFile(cursorPath(fixture), cursorFileBytes(quint16(hotspot.x()), quint16(hotspot.y())));
    Form1& form = *fixture.form;
    form.Form_Load();
    const std::optional<QCursor>& pointer = form.pointer().customImage();
    if (!pointer)
        QFAIL("no pointer loaded from the cursor file");
    QCOMPARE(pointer->hotSpot(), expected);
    QCOMPARE(pointer->pixmap().size(), QSize(32, 32));
    // Loading changes no pointer; the hand state then shows the image.
    QCOMPARE(form.pointer().state(), PointerState::Default);
    form.pointer().setState(PointerState::Custom);
    QCOMPARE(controlOf<QPushButton>(form, "PushButton6")->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(controlOf<QPushButton>(form, "PushButton6")->cursor().hotSpot(), expected);
}

void tst_look::shippedHandCursorPointsWithItsFingertip()
{
    FormFixture fixture;
    QVERIFY(QFile::copy(QStringLiteral(SCRIVLIST_EXTRAS_DIR "/HAND-M.CUR"), cursorPath(fixture)));
    fixture.form->Form_Load();
    const std::optional<QCursor>& hand = fixture.form->pointer().customImage();
    if (!hand)
        QFAIL("no pointer loaded from the shipped cursor file");
    QCOMPARE(hand->hotSpot(), QPoint(6, 0));
    QCOMPARE(qAlpha(hand->pixmap().toImage().pixel(hand->hotSpot())), 255);
}

void tst_look::skinStaysOffWithoutAnOrdinaryFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("no file") << "none";
    QTest::newRow("a folder named o.cjs") << "folder";
    QTest::newRow("a link to nothing") << "dangling link";
}

void tst_look::skinStaysOffWithoutAnOrdinaryFile()
{
    QFETCH(QString, kind);
    FormFixture fixture;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(skinPath(fixture)));
    } else if (kind == QLatin1String("dangling link")) {
        QVERIFY(QDir().mkpath(fixture.programFolder() + QStringLiteral("/x")));
        QVERIFY(QFile::link(fixture.folder.path() + QStringLiteral("/gone.qss"), skinPath(fixture)));
    }
    Form1& form = *fixture.form;
    form.Form_Load();
    QVERIFY(!form.skin().isLoaded());
    QVERIFY(form.styleSheet().isEmpty());
    QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    for (const QString& name : GroupControls)
        QCOMPARE(part(form, name)->palette().color(QPalette::Window), QColor(Qt::white));
}

void tst_look::skinRecoloursTheGroupControlsAndApplies()
{
    FormFixture fixture;
    const QByteArray sheet("#Form1 { border: 4px solid rgb(0, 0, 255); }\nQPushButton { color: rgb(1, 2, 3); }\n");
    writeFile(skinPath(fixture), sheet);
    Form1& form = *fixture.form;
    const QColor textBoxBase = controlOf<QLineEdit>(form, "Text1")->palette().color(QPalette::Base);
    const QColor listBase = controlOf<QTableView>(form, "ListView1")->palette().color(QPalette::Base);
    form.Form_Load();
    QVERIFY(buttonFace() != QColor(Qt::white));
    QCOMPARE(form.palette().color(QPalette::Window), buttonFace());
    for (const QString& name : GroupControls) {
        QVERIFY2(part(form, name)->testAttribute(Qt::WA_SetPalette), qPrintable(name));
        QCOMPARE(part(form, name)->palette().color(QPalette::Window), buttonFace());
    }
    // The pattern box and the lists keep their own colours, the buttons their white.
    for (QWidget* own :
         std::initializer_list<QWidget*>{controlOf<QLineEdit>(form, "Text1"), controlOf<QTableView>(form, "ListView1"),
                                         controlOf<QTableView>(form, "ListView2")})
        QVERIFY2(!own->testAttribute(Qt::WA_SetPalette), qPrintable(own->objectName()));
    QCOMPARE(controlOf<QLineEdit>(form, "Text1")->palette().color(QPalette::Base), textBoxBase);
    QCOMPARE(controlOf<QTableView>(form, "ListView2")->palette().color(QPalette::Base), listBase);
    QCOMPARE(controlOf<QPushButton>(form, "PushButton3")->palette().color(QPalette::Button), QColor(Qt::white));

    QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
    QCOMPARE(controlOf<QPushButton>(form, "PushButton3")->palette().color(QPalette::ButtonText), QColor(1, 2, 3));
    // The sheet draws the window's own border, not only its colour.
    QCOMPARE(QColor(form.grab().toImage().pixel(1, 1)), QColor(0, 0, 255));
}

void tst_look::skinNeverMovesOrResizesAControl()
{
    FormFixture fixture;
    writeFile(skinPath(fixture), "QPushButton { min-height: 60px; padding: 12px; }\n#Form1 { min-width: 700px; }\n"
                                 "QGroupBox { max-height: 10px; }\nQLineEdit { min-width: 600px; }\n");
    Form1& form = *fixture.form;
    QHash<QString, QRect> placed;
    for (QWidget* control : form.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^[A-Z]"))))
        if (!control->isWindow()) // not the lists' menus
            placed.insert(control->objectName(), control->geometry());
    QCOMPARE(placed.size(), 21);
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(536, 682));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    for (auto control = placed.cbegin(); control != placed.cend(); ++control)
        QCOMPARE(part(form, control.key())->geometry(), control.value());
}

void tst_look::skinThatIsNoTextIsReportedAt100_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("nul bytes") << QByteArray("QWidget { }\0\x01\x02", 14);
    QTest::newRow("not UTF-8") << QByteArray("QLineEdit { qproperty-text: \"Gr\xfc\xdf\"; }");
    QTest::newRow("far too large") << QByteArray((4 << 20) + 1, ' ');
}

void tst_look::skinThatIsNoTextIsReportedAt100()
{
    QFETCH(QByteArray, bytes);
    FormFixture fixture;
    writeFile(skinPath(fixture), bytes);
    fixture.desktop.expectError(StepTrap::composeText(
        QStringLiteral("The skin is not a text file: ") + skinPath(fixture), handlerLocation("Form_Load"), 100));
    Form1& form = *fixture.form;
    form.Form_Load();
    QVERIFY(form.styleSheet().isEmpty());
    // The colours changed before the engine failed stay changed; start-up went on.
    QCOMPARE(form.palette().color(QPalette::Window), buttonFace());
    QCOMPARE(controlOf<QRadioButton>(form, "Option4")->palette().color(QPalette::Window), buttonFace());
    QCOMPARE(form.windowTitle(), QStringLiteral("Scrivlist Software"));
}

void tst_look::shippedExampleSkinAppliesCleanly()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("style ?sheet"), QRegularExpression::CaseInsensitiveOption));
    FormFixture fixture;
    QDir().mkpath(fixture.programFolder() + QStringLiteral("/x"));
    QVERIFY(QFile::copy(QStringLiteral(SCRIVLIST_EXTRAS_DIR "/example-skin.qss"), skinPath(fixture)));
    Form1& form = *fixture.form;
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!form.styleSheet().isEmpty());
    QVERIFY(!form.grab().isNull());
}

QTEST_MAIN(tst_look)
#include "tst_look.moc"

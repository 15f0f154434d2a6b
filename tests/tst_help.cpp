#include "Failure.h"
#include "FormFixture.h"

#include <QPushButton>
#include <QtTest>

namespace {

// A desktop whose message box and web handler are out of reach.
class UnreachableDesktop : public FakeDesktop {
public:
    void message(const QString&) override { throw Failure(QStringLiteral("Automation error")); }
    bool openExternally(const QString&) override { throw Failure(QStringLiteral("Automation error")); }
};

} // namespace

class tst_help : public QObject {
    Q_OBJECT
private slots:
    void helpNamesTheContactPage();
    void companionPageIsHandedOverUnwatched_data();
    void companionPageIsHandedOverUnwatched();
    void unreachableDesktopIsReportedAt100_data();
    void unreachableDesktopIsReportedAt100();
};

void tst_help::helpNamesTheContactPage()
{
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.form->show();
    fixture.desktop.expectMessage(
        QStringLiteral("Questions? Please contact Team Quillmark at https://www.quillmark.example/contact"));
    QTest::mouseClick(fixture.form->PushButton7, Qt::LeftButton);
    QVERIFY(fixture.desktop.problems().isEmpty());
    QVERIFY(fixture.desktop.opened.isEmpty());
}

void tst_help::companionPageIsHandedOverUnwatched_data()
{
    QTest::addColumn<bool>("desktopOpensIt");
    QTest::newRow("opened") << true;
    // No handler for web addresses: nothing is reported.
    QTest::newRow("refused") << false;
}

void tst_help::companionPageIsHandedOverUnwatched()
{
    QFETCH(bool, desktopOpensIt);
    FormFixture fixture;
    fixture.form->Form_Load();
    fixture.form->show();
    fixture.desktop.openSucceeds = desktopOpensIt;
    QTest::mouseClick(fixture.form->PushButton5, Qt::LeftButton);
    QCOMPARE(fixture.desktop.opened, QStringList{QStringLiteral("https://www.quillmark.example/textsearch")});
    QVERIFY(fixture.desktop.shown().isEmpty());
}

void tst_help::unreachableDesktopIsReportedAt100_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("handler");
    QTest::newRow("Help") << "PushButton7"
                          << "PushButton7_Click";
    QTest::newRow("companion page") << "PushButton5"
                                    << "PushButton5_Click";
}

void tst_help::unreachableDesktopIsReportedAt100()
{
    QFETCH(QString, button);
    QFETCH(QString, handler);
    QTemporaryDir folder;
    UnreachableDesktop desktop;
    SettingsStore settings(folder.filePath(QStringLiteral("Quillmark.conf")));
    Form1 form(Form1Services{desktop, settings, folder.path(), [] { return 1; }});
    form.show();
    desktop.expectError();
    QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
    QVERIFY(desktop.problems().isEmpty());
    const QString expected = QStringLiteral("Automation error\r\nin Scrivlist2021/08/31.Form1.") + handler
                             + QStringLiteral(" at line 100\r\r");
    QVERIFY(desktop.shownTexts(FakeDesktop::Kind::Error).value(0).startsWith(expected));
}

QTEST_MAIN(tst_help)
#include "tst_help.moc"

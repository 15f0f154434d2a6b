#include "Failure.h"
#include "FakeDesktop.h"
#include "UnreachableDesktop.h"
#include "help/HelpLinks.h"

#include <QtTest>

class tst_help : public QObject {
    Q_OBJECT
private slots:
    void helpNamesTheContactPage();
    void companionPageIsHandedOverUnwatched_data();
    void companionPageIsHandedOverUnwatched();
    void unreachableDesktopFailsTheCaller_data();
    void unreachableDesktopFailsTheCaller();
};

void tst_help::helpNamesTheContactPage()
{
    FakeDesktop desktop;
    desktop.expectMessage(
        QStringLiteral("Questions? Please contact Team Quillmark at https://www.quillmark.example/contact"));
    showHelp(desktop);
    QVERIFY(desktop.problems().isEmpty());
    QVERIFY(desktop.opened.isEmpty());
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
    FakeDesktop desktop;
    desktop.openSucceeds = desktopOpensIt;
    openCompanionToolPage(desktop);
    QCOMPARE(desktop.opened, QStringList{QStringLiteral("https://www.quillmark.example/textsearch")});
    QVERIFY(desktop.shown().isEmpty());
}

void tst_help::unreachableDesktopFailsTheCaller_data()
{
    QTest::addColumn<bool>("help");
    QTest::newRow("Help") << true;
    QTest::newRow("companion page") << false;
}

// The caller's trap reports it (the window's tests pin where).
void tst_help::unreachableDesktopFailsTheCaller()
{
    QFETCH(bool, help);
    UnreachableDesktop desktop;
    QVERIFY_THROWS_EXCEPTION(Failure, help ? showHelp(desktop) : openCompanionToolPage(desktop));
    QVERIFY(desktop.shown().isEmpty());
}

QTEST_MAIN(tst_help)
#include "tst_help.moc"

#include "common/Failure.h"
#include "help/HelpLinks.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/UnreachableDesktop.h"

#include <QtTest>

#include <memory>

class tst_help : public QObject {
    Q_OBJECT
private slots:
    void helpAndCompanionPage_data();
    void helpAndCompanionPage();
};

void tst_help::helpAndCompanionPage_data()
{
    QTest::addColumn<bool>("help");   // or the companion page
    QTest::addColumn<int>("desktop"); // 0 opens web pages, 1 has no handler for them, 2 is out of reach
    QTest::addColumn<QStringList>("opened");
    const QStringList companion{"https://www.quillmark.example/textsearch"};
    QTest::newRow("Help names the contact page") << true << 0 << QStringList{};
    QTest::newRow("companion page, opened") << false << 0 << companion;
    // Handed over unwatched: a refusal is not reported.
    QTest::newRow("companion page, refused") << false << 1 << companion;
    // The caller's trap reports it (the window's tests pin where).
    QTest::newRow("Help, unreachable") << true << 2 << QStringList{};
    QTest::newRow("companion page, unreachable") << false << 2 << QStringList{};
}

void tst_help::helpAndCompanionPage()
{
    QFETCH(bool, help);
    QFETCH(int, desktop);
    QFETCH(QStringList, opened);
    const std::unique_ptr<FakeDesktop> fake =
        desktop == 2 ? std::make_unique<UnreachableDesktop>() : std::make_unique<FakeDesktop>();
    fake->openSucceeds = desktop == 0;
    if (help && desktop != 2)
        fake->expectMessage(
            QStringLiteral("Questions? Please contact Team Quillmark at https://www.quillmark.example/contact"));
    if (desktop == 2)
        QVERIFY_THROWS_EXCEPTION(Failure, help ? showHelp(*fake) : openCompanionToolPage(*fake));
    else
        help ? showHelp(*fake) : openCompanionToolPage(*fake);
    QCOMPARE(fake->opened, opened);
    QCOMPARE(fake->shown().size(), help && desktop != 2 ? 1 : 0);
}

QTEST_MAIN(tst_help)
#include "tst_help.moc"

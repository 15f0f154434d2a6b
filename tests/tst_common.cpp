#include "common/Failure.h"
#include "common/StepTrap.h"
#include "tests/support/FakeDesktop.h"

#include <QtTest>

namespace {

// Whoever owns a handler names its location; these tests own their own.
const QString TrapLocation = QStringLiteral("in Tests.Handler ");

} // namespace

class tst_common : public QObject {
    Q_OBJECT
private slots:
    void trapReportsEachFailingStepInOrder();
    void trapRunsTheBranchOfAFailedTest();
    void trapReportsTheCallingStepOfANestedFailure();
    void trapComposesTheExactText();
};

void tst_common::trapReportsEachFailingStepInOrder()
{
    FakeDesktop desktop;
    desktop.expectError();
    desktop.expectError();
    StepTrap trap(desktop, TrapLocation);
    QStringList ran;
    trap.step(100, [&] { throw Failure(QStringLiteral("first")); });
    trap.step(102, [&] { ran << QStringLiteral("102"); });
    trap.step(104, [&] { throw std::runtime_error("second"); });
    trap.step(106, [&] { ran << QStringLiteral("106"); });
    QCOMPARE(ran, QStringList({QStringLiteral("102"), QStringLiteral("106")}));
    const QStringList errors = desktop.shownTexts(FakeDesktop::Kind::Error);
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors[0].startsWith(QStringLiteral("first\r\n")));
    QVERIFY(errors[0].contains(QStringLiteral("at line 100\r\r")));
    QVERIFY(errors[1].startsWith(QStringLiteral("second\r\n")));
    QVERIFY(errors[1].contains(QStringLiteral("at line 104\r\r")));
}

void tst_common::trapRunsTheBranchOfAFailedTest()
{
    FakeDesktop desktop;
    desktop.expectError();
    StepTrap trap(desktop, TrapLocation);
    QVERIFY(trap.test(142, []() -> bool { throw Failure(QStringLiteral("Type mismatch")); }));
    QVERIFY(!trap.test(146, [] { return false; }));
}

void tst_common::trapReportsTheCallingStepOfANestedFailure()
{
    FakeDesktop desktop;
    desktop.expectError();
    StepTrap trap(desktop, TrapLocation);
    bool restOfRoutineRan = false;
    const auto inner = [&] { throw Failure(QStringLiteral("Path not found")); };
    const auto routine = [&] {
        inner();
        restOfRoutineRan = true;
    };
    trap.step(132, routine);
    QVERIFY(!restOfRoutineRan);
    QVERIFY(desktop.shownTexts(FakeDesktop::Kind::Error).value(0).contains(QStringLiteral("at line 132")));
}

void tst_common::trapComposesTheExactText()
{
    QCOMPARE(StepTrap::composeText(QStringLiteral("Type mismatch"), TrapLocation, 142),
             QStringLiteral("Type mismatch\r\nin Tests.Handler at line 142\r\r"
                            "Please email screenshot of this message to support@quillmark.example"));
}

QTEST_GUILESS_MAIN(tst_common)
#include "tst_common.moc"

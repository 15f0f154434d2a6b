#include "Failure.h"
#include "FakeDesktop.h"
#include "GrowingArray.h"
#include "Paths.h"
#include "PhraseCases.h"
#include "StepTrap.h"
#include "TextMatch.h"

#include <QtTest>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Whoever owns a handler names its location; these tests own their own.
const QString TrapLocation = QStringLiteral("in Tests.Handler ");

} // namespace

class tst_common : public QObject {
    Q_OBJECT
private slots:
    void normalizePath_data();
    void normalizePath();
    void parentFolderName_data();
    void parentFolderName();
    void trapReportsEachFailingStepInOrder();
    void trapRunsTheBranchOfAFailedTest();
    void trapReportsTheCallingStepOfANestedFailure();
    void trapComposesTheExactText();
    void phraseMatch_data();
    void phraseMatch();
    void growingArrayKeepsItsValues_data();
    void growingArrayKeepsItsValues();
};

void tst_common::normalizePath_data()
{
    QTest::addColumn<char>("separator");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto backslash = [](const char* name, const char* input, const char* expected) {
        QTest::addRow("backslash, %s", name) << BackslashSeparator << input << expected;
    };
    backslash("doubled inside", "C:\\\\Data\\\\Invoices", "C:\\Data\\Invoices");
    backslash("drive root", "C:\\", "C:\\");
    backslash("drive root doubled", "C:\\\\", "C:\\");
    backslash("three become two", "C:\\\\\\x", "C:\\\\x");
    backslash("network share", "\\\\srv\\share", "\\\\srv\\share");
    backslash("four leading", "\\\\\\\\srv\\\\share", "\\\\srv\\share");
    backslash("one leading", "\\x", "\\\\x");
    backslash("lone separator", "\\", "\\\\");
    backslash("empty", "", "");
    // No network prefix here: a leading separator is the root.
    const auto native = [](const char* name, const char* input, const char* expected) {
        QTest::addRow("native, %s", name) << NativeSeparator << input << expected;
    };
    native("root file", "//a.txt", "/a.txt");
    native("root", "/", "/");
    native("doubled inside", "/home//user", "/home/user");
    native("three become two", "/a///b", "/a//b");
    native("pairs at the end", "/a////", "/a//");
    native("backslash is a name character", "/a\\\\b", "/a\\\\b");
    native("empty", "", "");
}

void tst_common::normalizePath()
{
    QFETCH(char, separator);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(NormalizePath(input, separator), expected);
    QCOMPARE(NormalizePath(input.toUtf8(), separator), expected.toUtf8());
}

void tst_common::parentFolderName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QString>("expected"); // empty when it fails
    QTest::addColumn<bool>("fails");
    QTest::newRow("one separator") << "C:\\test.txt" << BackslashSeparator << "C:" << false;
    QTest::newRow("two or more") << "C:\\Data\\Invoices\\test.txt" << BackslashSeparator << "Invoices" << false;
    QTest::newRow("share") << "\\\\srv\\share\\test.txt" << BackslashSeparator << "share" << false;
    QTest::newRow("native folder") << "/home/user/test.txt" << NativeSeparator << "user" << false;
    QTest::newRow("native root") << "/test.txt" << NativeSeparator << "" << false;
    QTest::newRow("no separator fails") << "test.txt" << NativeSeparator << "" << true;
    QTest::newRow("empty fails") << "" << NativeSeparator << "" << true;
}

void tst_common::parentFolderName()
{
    QFETCH(QString, path);
    QFETCH(char, separator);
    QFETCH(QString, expected);
    QFETCH(bool, fails);
    if (fails) {
        QVERIFY_THROWS_EXCEPTION(Failure, ParentFolderName(path, separator));
        QVERIFY_THROWS_EXCEPTION(Failure, ParentFolderName(path.toUtf8(), separator));
        return;
    }
    QCOMPARE(ParentFolderName(path, separator), expected);
    QCOMPARE(ParentFolderName(path.toUtf8(), separator), expected.toUtf8());
}

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
    QVERIFY(desktop.problems().isEmpty());
}

void tst_common::trapRunsTheBranchOfAFailedTest()
{
    FakeDesktop desktop;
    desktop.expectError();
    StepTrap trap(desktop, TrapLocation);
    QVERIFY(trap.test(142, []() -> bool { throw Failure(QStringLiteral("Type mismatch")); }));
    QVERIFY(!trap.test(146, [] { return false; }));
    QVERIFY(desktop.problems().isEmpty());
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

void tst_common::phraseMatch_data()
{
    addPhraseRows();
    // The matcher itself; the search and the filters never hand it these.
    QTest::newRow("empty phrase matches all") << "" << QByteArray("anything") << true;
    QTest::newRow("asterisk is literal") << "*" << QByteArray("a.txt") << false;
    QTest::newRow("longer than a name") << "needle" << QByteArray(QByteArray(300, 'x') + "NEEDLE") << true;
    // Past a name's length a text takes its Unicode form in pieces: a letter and its accent, and
    // the letters of a Hangul syllable, stay together where a piece would end.
    const QByteArray xs(255, 'x');
    QTest::newRow("an accent where a piece would end") << "x\u00e9" << QByteArray(xs + "E\u0301") << true;
    QTest::newRow("an accent where a piece would end, apart") << "xe" << QByteArray(xs + "E\u0301") << false;
    QTest::newRow("Hangul letters where a piece would end")
        << "x\ud55c" << QByteArray(xs + "\u1112\u1161\u11ab") << true;
    // A long run of marks in any order: canonical order sorts them by class.
    QString marks = QStringLiteral("e");
    QString sorted = marks;
    for (int mark = 0; mark < 50000; ++mark) {
        marks += QStringLiteral("\u0301\u0323");
        sorted += QChar(0x0323);
    }
    sorted += QString(50000, QChar(0x0301));
    QTest::newRow("a phrase of 100,000 marks") << marks << sorted.toUtf8() << true;
    QTest::newRow("a phrase of 100,000 marks, the last one other")
        << marks << (sorted.chopped(1) + QChar(0x0300)).toUtf8() << false;
}

void tst_common::phraseMatch()
{
    QFETCH(QString, phrase);
    QFETCH(QByteArray, text);
    QFETCH(bool, matches);
    QCOMPARE(PhraseMatcher(phrase).matches(QByteArrayView(text)), matches);
}

void tst_common::growingArrayKeepsItsValues_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("pieces");
    // Blocks of a mebibyte and more are mapped and remapped rather than reallocated.
    QTest::newRow("small, on the heap") << 7 << 300;
    QTest::newRow("into a mapping and past it") << 4093 << 1200;
    QTest::newRow("one piece larger than a doubling") << (3 << 20) << 2;
}

void tst_common::growingArrayKeepsItsValues()
{
    QFETCH(int, pieceSize);
    QFETCH(int, pieces);
    GrowingArray<std::uint32_t> array;
    std::vector<std::uint32_t> expected;
    std::vector<std::uint32_t> piece(static_cast<size_t>(pieceSize));
    for (int p = 0; p < pieces; ++p) {
        for (size_t i = 0; i < piece.size(); ++i)
            piece[i] = static_cast<std::uint32_t>(p * 7919 + static_cast<int>(i));
        array.append(piece.data(), piece.size());
        expected.insert(expected.end(), piece.begin(), piece.end());
        array.push_back(static_cast<std::uint32_t>(p));
        expected.push_back(static_cast<std::uint32_t>(p));
    }
    QVERIFY(std::equal(array.begin(), array.end(), expected.begin(), expected.end()));

    array.erase(1, 3);
    expected.erase(expected.begin() + 1, expected.begin() + 4);
    array.erase(array.size() / 2);
    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(expected.size() / 2));
    QVERIFY(std::equal(array.begin(), array.end(), expected.begin(), expected.end()));

    // Truncating keeps the memory: what is appended after it is all that follows.
    array.truncate(5);
    array.push_back(42);
    QCOMPARE(array.size(), size_t(6));
    QVERIFY(std::equal(array.begin(), array.begin() + 5, expected.begin()));
    QCOMPARE(array[5], 42u);

    // The emptied one must not free the block again when it goes.
    GrowingArray<std::uint32_t> moved(std::move(array));
    QCOMPARE(moved.size(), size_t(6));
    moved.clear();
    QVERIFY(moved.empty());
    moved.append(piece.data(), piece.size());
    QVERIFY(std::equal(moved.begin(), moved.end(), piece.begin(), piece.end()));

    // A cleared block that is kept for reuse holds nothing of before, and grows past its old size.
    moved.clear();
    for (int round = 0; round < 2; ++round)
        moved.append(expected.data(), expected.size());
    QCOMPARE(moved.size(), 2 * expected.size());
    QVERIFY(std::equal(moved.begin(), moved.begin() + static_cast<std::ptrdiff_t>(expected.size()), expected.begin()));
    QVERIFY(std::equal(moved.begin() + static_cast<std::ptrdiff_t>(expected.size()), moved.end(), expected.begin()));
}

QTEST_GUILESS_MAIN(tst_common)
#include "tst_common.moc"

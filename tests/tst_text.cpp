#include "common/Failure.h"
#include "tests/support/PhraseCases.h"
#include "text/Paths.h"
#include "text/PhraseMatcher.h"

#include <QtTest>

class tst_text : public QObject {
    Q_OBJECT
private slots:
    void normalizePath_data();
    void normalizePath();
    void parentFolderName_data();
    void parentFolderName();
    void phraseMatch_data();
    void phraseMatch();
};

void tst_text::normalizePath_data()
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

void tst_text::normalizePath()
{
    QFETCH(char, separator);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(NormalizePath(input, separator), expected);
    QCOMPARE(NormalizePath(input.toUtf8(), separator), expected.toUtf8());
}

void tst_text::parentFolderName_data()
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

void tst_text::parentFolderName()
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

void tst_text::phraseMatch_data()
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

void tst_text::phraseMatch()
{
    QFETCH(QString, phrase);
    QFETCH(QByteArray, text);
    QFETCH(bool, matches);
    QCOMPARE(PhraseMatcher(phrase).matches(QByteArrayView(text)), matches);
}

QTEST_GUILESS_MAIN(tst_text)
#include "tst_text.moc"

#include "tests/support/PhraseCases.h"

#include <QTest>

void addPhraseRows()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("matches");
    const auto row = [](const char* name, const char* phrase, const QByteArray& text, bool matches) {
        QTest::newRow(name) << QString::fromUtf8(phrase) << text << matches;
    };
    row("case ignored", "PLE1.T", "Sample1.txt", true);
    row("case ignored, both upper", "PLE1.T", "EXAMPLE1.TXT", true);
    row("lower phrase", "ple1.t", "SAMPLE1.TXT", true);
    row("substring, not extension", ".txt", "notes.txt.bak", true);
    row("substring inside a word", ".txt", "a.txtfile", true);
    row("another extension", ".txt", "ab.doc", false);
    row("a comma in the text is no list", ".txt", "x.txt,.doc", true);
    row("leading space kept", " .txt", "a.txt", false);
    row("leading space found", " .txt", "with space .txt", true);
    row("comma stands for itself", "a,b", "a.b", false);
    row("comma present", "a,b", "xa,by", true);
    row("comma at the start", "a,b", "a,b.doc", true);
    row("one side of the comma", "a,b", "a.txt", false);
    row("comma left out", "a,b", "ab.doc", false);
    row("comma and a space", "a,b", "a, b", false);
    row("comma, other case", "a,b", "xA,Bx", true);
    row("case folds beyond ASCII", "ÄRGER", "ärger.doc", true);
    row("non-ASCII name", "über", "Übersicht.txt", true);
    row("ASCII phrase in non-ASCII name", "sicht", "ÜberSICHT.txt", true);
    row("invalid UTF-8 name", "ab", QByteArray("\xff") + "AB", true);
    row("phrase longer than name", "abcdef", "abc", false);
    // As long as a file name may be.
    row("long name", "needle", QByteArray(249, 'x') + "NEEDLE", true);
    // Eight bytes are folded at a time: letters across such a step, and the
    // characters beside 'A' and 'Z' that must stay as they are.
    row("across eight bytes", "needle", "xxxxxxxNEEDLExxxx", true);
    row("@ is no capital", "`", "@@@@@@@@@@", false);
    row("[ is no capital", "{", "[[[[[[[[[[", false);
    row("non-ASCII in the first eight", "äbc", "ÄBCDEFGHIJ", true);
    row("non-ASCII after eight", "ghä", "ABCDEFGHÄ", true);
    // One letter in two Unicode forms: composed, or a base letter and a combining accent.
    const QByteArray decomposedName = "Cafe\u0301.txt";
    row("composed phrase, decomposed name", "caf\u00e9", decomposedName, true);
    row("decomposed phrase, composed name", "cafe\u0301", "CAF\u00c9.txt", true);
    row("decomposed both", "E\u0301", decomposedName, true);
    row("decomposed name, accent only in the name", "cafe.", decomposedName, false);
    row("decomposed name, other accent", "caf\u00e8", decomposedName, false);
    // e with circumflex and dot below, the accents in the other order
    row("two accents in either order", "\u1ec7", "xe\u0302\u0323x", true);
    row("Hangul syllable from its letters", "\ud55c", "\u1112\u1161\u11ab.txt", true);
    row("compatibility forms stay apart", "fi", "\ufb01le", false);
    // Greek: capital sigma, sigma and the final sigma are one letter; so are the forms of İ.
    row("Greek capitals over small letters", "ΟΔΟΣ", "οδος.doc", true);
    row("Greek small letters over capitals", "οδος", "ΟΔΟΣ.txt", true);
    row("final sigma over sigma", "οδος", "οδοσ.txt", true);
    row("sigma over final sigma", "οδοσ", "οδος.doc", true);
    row("final sigma inside a name", "ος.", "ΟΔΟΣ.txt", true);
    row("an accented Greek capital", "Οδός", "ΟΔΌΣ.txt", true);
    row("an accented Greek letter, decomposed", "Οδός", "ΟΔΟ\u0301Σ.txt", true);
    // Greek capitals drop their accents, so in Greek an accent does not tell names apart.
    row("an accented Greek word over capitals", "Οδός", "ΟΔΟΣ.txt", true);
    row("Greek capitals over an accented word", "ΟΔΟΣ", "Οδός.txt", true);
    row("Greek small letters over an accented word", "οδος", "Οδός.txt", true);
    row("a Greek diaeresis and accent", "ι", "ΐ.txt", true);
    row("dotted capital I", "İSTANBUL", "İstanbul.txt", true);
    row("dotted capital I, decomposed", "İSTANBUL", "I\u0307stanbul.txt", true);
    row("dotted capital I is no plain i", "istanbul", "İstanbul.txt", false);
}

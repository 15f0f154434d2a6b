#include "fuzz/FuzzCheck.h"
#include "text/PhraseMatcher.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

QByteArray withAsciiCase(QByteArray bytes, bool upper)
{
    for (char& c : bytes) {
        if (upper && c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (!upper && c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return bytes;
}

bool isValidUtf8(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// Decomposed, a Greek letter loses the marks after it: ignoring case in Greek ignores its accents.
QString withoutGreekMarks(const QString& text)
{
    const auto isGreek = [](char32_t c) { return (c >= 0x0370 && c <= 0x03ff) || (c >= 0x1f00 && c <= 0x1fff); };
    std::u32string kept;
    bool onGreekLetter = false;
    for (const char32_t c : text.normalized(QString::NormalizationForm_D).toStdU32String()) {
        if (onGreekLetter && QChar::combiningClass(c) != 0)
            continue;
        onGreekLetter = isGreek(c);
        kept += c;
    }
    return QString::fromStdU32String(kept).normalized(QString::NormalizationForm_C);
}

// The toolkit's own normalisation of the whole text, which the matcher does in pieces past a name's length.
QString folded(const QByteArray& bytes)
{
    return withoutGreekMarks(
        QString::fromUtf8(bytes).toLower().toCaseFolded().normalized(QString::NormalizationForm_C));
}

QByteArray inForm(const QByteArray& bytes, QString::NormalizationForm form)
{
    return QString::fromUtf8(bytes).normalized(form).toUtf8();
}

} // namespace

// The input is the phrase, a line feed, and the text: "sicht\nÜberSICHT.txt".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype feed = input.indexOf('\n');
    const QByteArray phrase = feed < 0 ? input : input.left(feed);
    const QByteArray text = feed < 0 ? QByteArray() : input.mid(feed + 1);

    const PhraseMatcher matcher(QString::fromUtf8(phrase));
    const bool found = matcher.matches(QByteArrayView(text));
    require(found == folded(text).contains(folded(phrase)), "the byte and text forms agree");
    require(matcher.matches(QByteArrayView(withAsciiCase(text, true))) == found, "the text's case does not matter");
    require(matcher.matches(QByteArrayView(withAsciiCase(text, false))) == found, "the text's case does not matter");
    const PhraseMatcher upperMatcher(QString::fromUtf8(withAsciiCase(phrase, true)));
    require(upperMatcher.matches(QByteArrayView(text)) == found, "the phrase's case does not matter");
    if (phrase.isEmpty())
        require(found, "an empty phrase matches every text");
    if (!isValidUtf8(phrase) || !isValidUtf8(text))
        return 0;
    // Unless an accent at an edge joins the letter beside it.
    const QByteArray around = text + phrase + text;
    if (folded(around) == folded(text) + folded(phrase) + folded(text))
        require(matcher.matches(QByteArrayView(around)), "a text that holds the phrase matches");
    for (const auto form : {QString::NormalizationForm_C, QString::NormalizationForm_D})
        require(matcher.matches(QByteArrayView(inForm(text, form))) == found,
                "the text's Unicode form does not matter");
    return 0;
}

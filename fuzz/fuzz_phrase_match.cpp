#include "FuzzCheck.h"
#include "TextMatch.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

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
    const QString lowerText = QString::fromUtf8(text).toLower();
    require(found == lowerText.contains(QString::fromUtf8(phrase).toLower()), "the byte and text forms agree");
    require(matcher.matches(QByteArrayView(withAsciiCase(text, true))) == found, "the text's case does not matter");
    require(matcher.matches(QByteArrayView(withAsciiCase(text, false))) == found, "the text's case does not matter");
    const PhraseMatcher upperMatcher(QString::fromUtf8(withAsciiCase(phrase, true)));
    require(upperMatcher.matches(QByteArrayView(text)) == found, "the phrase's case does not matter");
    if (phrase.isEmpty())
        require(found, "an empty phrase matches every text");
    if (isValidUtf8(phrase) && isValidUtf8(text))
        require(matcher.matches(QByteArrayView(text + phrase + text)), "a text that holds the phrase matches");
    return 0;
}

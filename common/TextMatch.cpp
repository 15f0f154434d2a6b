#include "TextMatch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

bool isAscii(QByteArrayView bytes)
{
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

PhraseMatcher::PhraseMatcher(const QString& phrase) : lowerPhrase_(phrase.toLower())
{
    const QByteArray utf8 = lowerPhrase_.toUtf8();
    phraseIsAscii_ = isAscii(utf8);
    if (phraseIsAscii_)
        asciiLowerPhrase_ = utf8;
}

bool PhraseMatcher::matches(QByteArrayView text) const
{
    if (lowerPhrase_.isEmpty())
        return true;
    if (!isAscii(text))
        return QString::fromUtf8(text).toLower().contains(lowerPhrase_);
    // An ASCII text lower-cases to ASCII, so only an ASCII phrase can occur in it.
    if (!phraseIsAscii_ || text.size() < asciiLowerPhrase_.size())
        return false;
    std::array<char, 256> small;
    QByteArray large;
    char* folded = small.data();
    if (text.size() > qsizetype(small.size())) {
        large.resize(text.size());
        folded = large.data();
    }
    std::transform(text.begin(), text.end(), folded, asciiLower);
    const std::string_view haystack(folded, static_cast<size_t>(text.size()));
    const std::string_view needle(asciiLowerPhrase_.constData(), static_cast<size_t>(asciiLowerPhrase_.size()));
    return haystack.find(needle) != std::string_view::npos;
}

bool PhraseMatcher::matches(const QString& text) const
{
    return text.toLower().contains(lowerPhrase_);
}

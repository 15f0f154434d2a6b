#include "TextMatch.h"

#include <array>
#include <cstdint>
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

constexpr std::uint64_t EveryByte = 0x0101010101010101;
constexpr std::uint64_t HighBits = 0x80 * EveryByte;

// asciiLower on eight bytes at once: a byte from 'A' to 'Z' gains 0x20.
std::uint64_t asciiLower8(std::uint64_t bytes)
{
    const std::uint64_t low7 = bytes & (0x7f * EveryByte);
    const std::uint64_t fromA = low7 + (0x80 - 'A') * EveryByte;     // high bit set where >= 'A'
    const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * EveryByte; // high bit set where > 'Z'
    const std::uint64_t upper = fromA & ~pastZ & ~bytes & HighBits;
    return bytes | (upper >> 2);
}

// Copies text to folded with ASCII letters lower-cased; false, with folded
// unfinished, when the text is not all ASCII.
bool foldAscii(QByteArrayView text, char* folded)
{
    const char* const from = text.data();
    const auto size = static_cast<size_t>(text.size());
    std::uint64_t seen = 0;
    size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + at, 8);
        seen |= word;
        word = asciiLower8(word);
        std::memcpy(folded + at, &word, 8);
    }
    for (; at < size; ++at) {
        seen |= static_cast<unsigned char>(from[at]);
        folded[at] = asciiLower(from[at]);
    }
    return (seen & HighBits) == 0;
}

// Lower case in one Unicode form, so that a name written with combining
// accents matches a phrase typed with composed letters, and the other way round.
QString foldedText(const QString& text)
{
    return text.toLower().normalized(QString::NormalizationForm_C);
}

} // namespace

PhraseMatcher::PhraseMatcher(const QString& phrase) : lowerPhrase_(foldedText(phrase))
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
    std::array<char, 256> small;
    QByteArray large;
    char* folded = small.data();
    if (text.size() > qsizetype(small.size())) {
        large.resize(text.size());
        folded = large.data();
    }
    if (!foldAscii(text, folded))
        return foldedText(QString::fromUtf8(text)).contains(lowerPhrase_);
    // An ASCII text lower-cases to ASCII, so only an ASCII phrase can occur in it.
    if (!phraseIsAscii_ || text.size() < asciiLowerPhrase_.size())
        return false;
    const std::string_view haystack(folded, static_cast<size_t>(text.size()));
    const std::string_view needle(asciiLowerPhrase_.constData(), static_cast<size_t>(asciiLowerPhrase_.size()));
    return haystack.find(needle) != std::string_view::npos;
}

#include "text/PhraseMatcher.h"

#include <QtAlgorithms>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

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
    const auto foldWord = [&](size_t at) {
        std::uint64_t word;
        std::memcpy(&word, from + at, 8);
        seen |= word;
        word = asciiLower8(word);
        std::memcpy(folded + at, &word, 8);
    };
    size_t at = 0;
    for (; at + 8 <= size; at += 8)
        foldWord(at);
    if (at < size && size >= 8) {
        // The last eight bytes again: lower-casing twice changes nothing.
        foldWord(size - 8);
    } else {
        for (; at < size; ++at) {
            seen |= static_cast<unsigned char>(from[at]);
            folded[at] = asciiLower(from[at]);
        }
    }
    return (seen & HighBits) == 0;
}

// The zero bytes of a word, each marked by its high bit, and nothing else.
std::uint64_t zeroBytes(std::uint64_t word)
{
    const std::uint64_t low7 = 0x7f * EveryByte;
    return ~(((word & low7) + low7) | word | low7);
}

// Bytes a search may read past the text it searches.
constexpr qsizetype SearchOverrun = 8;

// Whether text holds needle, which is not empty. A candidate is a place where
// both the needle's first and last bytes sit, found for eight places at once
// and then compared whole: a name is searched in a few steps, however often
// the first letter comes up in it. Reads up to SearchOverrun bytes past the text.
bool containsBytes(const char* text, qsizetype size, QByteArrayView needle)
{
    const qsizetype places = size - needle.size() + 1;
    const std::uint64_t first = EveryByte * static_cast<unsigned char>(needle.front());
    const std::uint64_t last = EveryByte * static_cast<unsigned char>(needle.back());
    for (qsizetype at = 0; at < places; at += 8) {
        std::uint64_t hits = zeroBytes(qFromLittleEndian<std::uint64_t>(text + at) ^ first)
                             & zeroBytes(qFromLittleEndian<std::uint64_t>(text + at + needle.size() - 1) ^ last);
        for (; hits != 0; hits &= hits - 1) {
            const qsizetype place = at + qCountTrailingZeroBits(hits) / 8;
            if (place < places && std::memcmp(text + place, needle.data(), size_t(needle.size())) == 0)
                return true;
        }
    }
    return false;
}

// Texts up to this many UTF-16 units, every file name among them, are
// normalised whole.
constexpr qsizetype PieceLength = 256;

char32_t codePointAt(const QString& text, qsizetype at)
{
    const QChar c = text.at(at);
    if (c.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(at + 1));
    return c.unicode();
}

qsizetype unitsOf(char32_t c)
{
    return QChar::requiresSurrogates(c) ? 2 : 1;
}

// The characters that may combine with one before them into a composed
// letter: the later ones of every canonical decomposition the toolkit knows
// (a Hangul syllable decomposes into its letters there too).
const std::vector<bool>& combinesWithPrevious()
{
    static const std::vector<bool> later = [] {
        std::vector<bool> table(QChar::LastValidCodePoint + 1, false);
        for (char32_t c = 0; c <= QChar::LastValidCodePoint; ++c) {
            if (QChar::decompositionTag(c) != QChar::Canonical)
                continue;
            const QString parts = QChar::decomposition(c);
            for (qsizetype at = unitsOf(codePointAt(parts, 0)); at < parts.size();
                 at += unitsOf(codePointAt(parts, at)))
                table[codePointAt(parts, at)] = true;
        }
        return table;
    }();
    return later;
}

// Whether the text from c on takes its Unicode form apart from the text
// before it: c, and the first character it decomposes into, are starters
// that nothing before them combines with, and no mark moves across them.
bool beginsPiece(char32_t c)
{
    for (;;) {
        if (QChar::combiningClass(c) != 0 || combinesWithPrevious()[c])
            return false;
        if (QChar::decompositionTag(c) != QChar::Canonical)
            return true;
        c = codePointAt(QChar::decomposition(c), 0);
    }
}

// Puts each run of combining marks in canonical order, a stable sort by
// combining class, which the toolkit does one insertion at a time.
void sortMarks(QString& text)
{
    std::vector<char32_t> run;
    const auto byClass = [](char32_t a, char32_t b) { return QChar::combiningClass(a) < QChar::combiningClass(b); };
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype start = at;
        run.clear();
        while (at < text.size()) {
            const char32_t c = codePointAt(text, at);
            at += unitsOf(c);
            if (QChar::combiningClass(c) == 0)
                break;
            run.push_back(c);
        }
        if (std::is_sorted(run.begin(), run.end(), byClass))
            continue;
        std::stable_sort(run.begin(), run.end(), byClass);
        qsizetype to = start;
        for (const char32_t mark : run) {
            if (QChar::requiresSurrogates(mark)) {
                text[to++] = QChar(QChar::highSurrogate(mark));
                text[to++] = QChar(QChar::lowSurrogate(mark));
            } else {
                text[to++] = QChar(char16_t(mark));
            }
        }
    }
}

// The text in one Unicode form (NFC), in time that grows with its length.
// The toolkit's own takes time that grows with the square of a run of marks
// and of a text that is composed many times over, so a long text has its
// marks sorted first and is normalised in pieces of about PieceLength, each
// beginning where the form of what follows does not depend on what came before.
QString composed(QString text)
{
    if (text.size() <= PieceLength)
        return text.normalized(QString::NormalizationForm_C);
    sortMarks(text);
    QString result;
    result.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype at = 0; at < text.size();) {
        const char32_t c = codePointAt(text, at);
        if (at - start >= PieceLength && beginsPiece(c)) {
            result += text.mid(start, at - start).normalized(QString::NormalizationForm_C);
            start = at;
        }
        at += unitsOf(c);
    }
    return result + text.mid(start).normalized(QString::NormalizationForm_C);
}

bool isGreek(char32_t c)
{
    return (c >= 0x0370 && c <= 0x03ff) || (c >= 0x1f00 && c <= 0x1fff);
}

// Greek capitals are written without their accents ("Οδός" is "ΟΔΟΣ"), so
// ignoring case in Greek ignores its accents too: each Greek letter becomes
// its base letter and the marks on it go. Other scripts keep their accents.
QString withoutGreekAccents(const QString& text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return isGreek(c.unicode()); }))
        return text;
    QString result;
    result.reserve(text.size());
    bool onGreekLetter = false;
    for (qsizetype at = 0; at < text.size();) {
        char32_t c = codePointAt(text, at);
        at += unitsOf(c);
        if (onGreekLetter && QChar::combiningClass(c) != 0)
            continue;
        // A Greek sign whose base is not a letter (the spacing accents) stays whole.
        char32_t base = c;
        while (isGreek(c) && QChar::decompositionTag(base) == QChar::Canonical)
            base = codePointAt(QChar::decomposition(base), 0);
        onGreekLetter = isGreek(base);
        if (onGreekLetter)
            c = base;
        result += QString::fromUcs4(&c, 1);
    }
    return result;
}

// Lower case, in one Unicode form, so that a name written with combining
// accents matches a phrase typed with composed letters, and the other way
// round. Case folding after lower-casing brings together the lower-case
// letters that are one letter in two forms: the Greek final sigma and
// sigma, the long s and s.
QString foldedText(const QString& text)
{
    return withoutGreekAccents(composed(text.toLower().toCaseFolded()));
}

} // namespace

PhraseMatcher::PhraseMatcher(const QString& phrase) : phrase_(phrase), lowerPhrase_(foldedText(phrase))
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
    if (text.size() + SearchOverrun > qsizetype(small.size())) {
        large.resize(text.size() + SearchOverrun);
        folded = large.data();
    }
    if (!foldAscii(text, folded))
        return foldedText(QString::fromUtf8(text)).contains(lowerPhrase_);
    // An ASCII text lower-cases to ASCII, so only an ASCII phrase can occur in it.
    if (!phraseIsAscii_ || text.size() < asciiLowerPhrase_.size())
        return false;
    std::memset(folded + text.size(), 0, SearchOverrun);
    return containsBytes(folded, text.size(), asciiLowerPhrase_);
}

#include "fuzz/FuzzCheck.h"
#include "text/Paths.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

qsizetype leadingRun(const QByteArray& text, char separator)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(n) == separator)
        ++n;
    return n;
}

qsizetype longestRun(const QByteArray& text, char separator)
{
    qsizetype longest = 0;
    qsizetype run = 0;
    for (const char c : text) {
        run = c == separator ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

QByteArray withoutSeparators(QByteArray text, char separator)
{
    return text.replace(separator, QByteArray());
}

qsizetype halvedUp(qsizetype n)
{
    return (n + 1) / 2;
}

void checkStyle(const QByteArray& path, char separator)
{
    const bool backslashStyle = separator == BackslashSeparator;
    const QByteArray normal = NormalizePath(path, separator);
    const qsizetype leading = leadingRun(path, separator);
    const qsizetype bodyRun = longestRun(path.mid(leading), separator);

    // Only the network prefix can add a separator: "\x" becomes "\\x".
    require(normal.size() <= path.size() + (backslashStyle && leading == 1 ? 1 : 0), "never lengthens the text");
    require(withoutSeparators(normal, separator) == withoutSeparators(path, separator), "drops only separators");
    if (backslashStyle)
        require(leadingRun(normal, separator) == (leading > 0 ? 2 : 0), "leading separators become exactly two");
    else
        require(leadingRun(normal, separator) == halvedUp(leading), "a leading run is halved like any other");
    require(longestRun(normal.mid(leadingRun(normal, separator)), separator) == halvedUp(bodyRun),
            "a run of n separators becomes ceil(n/2)");

    // One pass halves runs, so it is idempotent only where no run is longer than two;
    // every path the program builds is such a path.
    if (bodyRun <= 2 && (backslashStyle || leading <= 2))
        require(NormalizePath(normal, separator) == normal, "idempotent without runs of three");

    require(NormalizePath(QString::fromLatin1(path), separator) == QString::fromLatin1(normal),
            "the text and byte forms agree");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray path(reinterpret_cast<const char*>(data), qsizetype(size));
    checkStyle(path, NativeSeparator);
    checkStyle(path, BackslashSeparator);
    return 0;
}

#include "cli/TerminalText.h"

namespace {

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// How many bytes from `at` are one character to show as it is: 0 for a byte
// to escape. A C0 control, DEL, a C1 control and any byte of a sequence that
// is not UTF-8 are escaped, one byte at a time.
qsizetype shownCharacterAt(QByteArrayView line, qsizetype at)
{
    const auto byte = [&](qsizetype offset) {
        return at + offset < line.size() ? static_cast<unsigned char>(line[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return lead < 0x20 || lead == 0x7F ? 0 : 1;
    // The second byte's range, as the encoding's definition narrows it for some leads.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    qsizetype length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        if (lead == 0xC2)
            low = 0xA0; // U+0080 to U+009F are the C1 controls
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (qsizetype offset = 2; offset < length; ++offset)
        if (!isContinuation(byte(offset)))
            return 0;
    return length;
}

void appendEscaped(QByteArray& quoted, unsigned char byte)
{
    switch (byte) {
    case '\a':
        quoted += "\\a";
        return;
    case '\b':
        quoted += "\\b";
        return;
    case '\t':
        quoted += "\\t";
        return;
    case '\n':
        quoted += "\\n";
        return;
    case '\v':
        quoted += "\\v";
        return;
    case '\f':
        quoted += "\\f";
        return;
    case '\r':
        quoted += "\\r";
        return;
    default:
        quoted += '\\';
        quoted += static_cast<char>('0' + (byte >> 6));
        quoted += static_cast<char>('0' + ((byte >> 3) & 7));
        quoted += static_cast<char>('0' + (byte & 7));
    }
}

} // namespace

bool needsQuotingOnTerminal(QByteArrayView line)
{
    for (qsizetype at = 0; at < line.size();) {
        const qsizetype length = shownCharacterAt(line, at);
        if (length == 0)
            return true;
        at += length;
    }
    return false;
}

QByteArray quotedForTerminal(QByteArrayView line)
{
    // Runs shown as they are go in '...', with ' as '\''; runs to escape in $'...'.
    QByteArray quoted;
    quoted.reserve(line.size() * 2 + 2);
    for (qsizetype at = 0; at < line.size();) {
        if (shownCharacterAt(line, at) == 0) {
            quoted += "$'";
            for (; at < line.size() && shownCharacterAt(line, at) == 0; ++at)
                appendEscaped(quoted, static_cast<unsigned char>(line[at]));
            quoted += '\'';
            continue;
        }
        quoted += '\'';
        while (at < line.size()) {
            const qsizetype length = shownCharacterAt(line, at);
            if (length == 0)
                break;
            if (line[at] == '\'')
                quoted += "'\\''";
            else
                quoted.append(line.sliced(at, length));
            at += length;
        }
        quoted += '\'';
    }
    return quoted;
}

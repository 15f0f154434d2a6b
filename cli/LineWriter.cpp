#include "cli/LineWriter.h"

#include "cli/TerminalText.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

LineWriter::LineWriter(int fd, bool toTerminal, char ending) : fd_(fd), toTerminal_(toTerminal), ending_(ending) {}

LineWriter::~LineWriter()
{
    flush();
}

bool LineWriter::write(QByteArrayView head, QByteArrayView tail)
{
    if (toTerminal_ && (needsQuotingOnTerminal(head) || needsQuotingOnTerminal(tail))) {
        QByteArray line = head.toByteArray();
        line.append(tail);
        append(quotedForTerminal(line));
    } else {
        append(head);
        append(tail);
    }
    append(QByteArrayView(&ending_, 1));
    return isOpen();
}

bool LineWriter::flush()
{
    const size_t size = std::exchange(used_, 0);
    return isOpen() && (size == 0 || writeOut(buffer_.data(), size));
}

void LineWriter::append(QByteArrayView bytes)
{
    const auto size = static_cast<size_t>(bytes.size());
    if (size == 0)
        return; // an empty view may hold no address at all
    if (used_ + size > Capacity && !flush())
        return;
    if (size > Capacity) {
        writeOut(bytes.data(), size);
        return;
    }
    std::memcpy(buffer_.data() + used_, bytes.data(), size);
    used_ += size;
}

bool LineWriter::writeOut(const char* data, size_t size)
{
    while (size > 0 && isOpen()) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno != EINTR)
                error_ = errno;
            continue;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return isOpen();
}

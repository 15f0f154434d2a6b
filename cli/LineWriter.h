#pragma once

#include <QByteArrayView>

#include <array>

// Lines written to a file descriptor through a buffer, each as its head and
// tail followed by the ending: memory stays flat however many lines go out,
// and a million lines cost a few hundred system calls. On a terminal, a line
// that could drive it is shown quoted (see TerminalText.h); anywhere else
// every line is its exact bytes. The first failed write closes it for good:
// a reader that went away (EPIPE, with SIGPIPE ignored) or a full disk.
class LineWriter {
public:
    LineWriter(int fd, bool toTerminal, char ending = '\n');
    ~LineWriter();

    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // False once it is closed.
    bool write(QByteArrayView head, QByteArrayView tail = {});
    bool flush();

    bool toTerminal() const { return toTerminal_; }
    bool isOpen() const { return error_ == 0; }
    int error() const { return error_; } // the errno that closed it

private:
    void append(QByteArrayView bytes);
    bool writeOut(const char* data, size_t size);

    static constexpr size_t Capacity = size_t(64) << 10;
    const int fd_;
    const bool toTerminal_;
    const char ending_;
    size_t used_ = 0;
    int error_ = 0;
    std::array<char, Capacity> buffer_;
};

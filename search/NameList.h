#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The names of one folder's entries packed into one buffer, each followed by
// a NUL so it can be handed to the system as it is. A listing costs a couple
// of allocations however many names it holds.
class NameList {
public:
    void add(QByteArrayView name)
    {
        bytes_.append(name);
        ends_.push_back(bytes_.size());
        bytes_.append('\0');
    }

    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    bool isEmpty() const { return ends_.empty(); }
    // The bytes of the names, as held.
    qsizetype byteSize() const { return bytes_.size(); }

    QByteArrayView at(qsizetype position) const
    {
        const qsizetype start = startOf(position);
        return QByteArrayView(bytes_.constData() + start, ends_[static_cast<size_t>(position)] - start);
    }

    const char* cString(qsizetype position) const { return bytes_.constData() + startOf(position); }

private:
    qsizetype startOf(qsizetype position) const
    {
        return position == 0 ? 0 : ends_[static_cast<size_t>(position - 1)] + 1;
    }

    QByteArray bytes_;
    std::vector<qsizetype> ends_;
};

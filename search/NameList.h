#pragma once

#include <QByteArrayView>

#include <vector>

// The names of one folder's entries packed into one buffer, each followed by
// a NUL so it can be handed to the system as it is. A listing costs a couple
// of allocations however many names it holds.
class NameList {
public:
    // Every name of a listing passes here, on the way to the walk: a plain copy, nothing more.
    void add(QByteArrayView name)
    {
        bytes_.insert(bytes_.end(), name.begin(), name.end());
        ends_.push_back(static_cast<qsizetype>(bytes_.size()));
        bytes_.push_back('\0');
    }

    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    bool isEmpty() const { return ends_.empty(); }
    // The bytes of the names, as held.
    qsizetype byteSize() const { return static_cast<qsizetype>(bytes_.size()); }

    QByteArrayView at(qsizetype position) const
    {
        const qsizetype start = startOf(position);
        return QByteArrayView(bytes_.data() + start, ends_[static_cast<size_t>(position)] - start);
    }

    const char* cString(qsizetype position) const { return bytes_.data() + startOf(position); }

private:
    qsizetype startOf(qsizetype position) const
    {
        return position == 0 ? 0 : ends_[static_cast<size_t>(position - 1)] + 1;
    }

    std::vector<char> bytes_;
    std::vector<qsizetype> ends_;
};

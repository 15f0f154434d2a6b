// Design map; the rules are in MountTable.h. Values and pure functions: no thread, no lock, no call to any file
// system; the readlinks a resolution needs are made by whoever steps through it.

#include "io/MountTable.h"

#include <QSet>

#include <algorithm>
#include <sys/sysmacros.h>

namespace {

// A field of the mount table with its octal escapes undone.
QByteArray unescaped(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    for (qsizetype at = 0; at < field.size(); ++at) {
        if (field[at] == '\\' && at + 3 < field.size() && isOctal(field[at + 1]) && isOctal(field[at + 2])
            && isOctal(field[at + 3])) {
            bytes.append(char(((field[at + 1] - '0') << 6) | ((field[at + 2] - '0') << 3) | (field[at + 3] - '0')));
            at += 3;
        } else {
            bytes.append(field[at]);
        }
    }
    return bytes;
}

struct Row {
    QByteArray id;
    QByteArray parent;
    Mount mount;
};

} // namespace

std::vector<Mount> parseMountInfo(QByteArrayView text)
{
    // "36 35 98:0 /root /mount/point options ... - type source options": id, parent, device, root, point.
    std::vector<Row> rows;
    for (const QByteArrayView line : QByteArray::fromRawData(text.data(), text.size()).split('\n')) {
        const QList<QByteArray> fields = line.toByteArray().split(' ');
        if (fields.size() < 5)
            continue;
        const QList<QByteArray> numbers = fields.at(2).split(':');
        bool majorRead = false;
        bool minorRead = false;
        const uint major = numbers.value(0).toUInt(&majorRead);
        const uint minor = numbers.value(1).toUInt(&minorRead);
        if (numbers.size() != 2 || !majorRead || !minorRead || !fields.at(4).startsWith('/'))
            continue;
        rows.push_back({fields.at(0), fields.at(1), {unescaped(fields.at(4)), makedev(major, minor)}});
    }
    // A mount made over another at the same point has that one as its parent and hides it.
    QSet<QByteArray> covered;
    for (const Row& over : rows)
        for (const Row& under : rows)
            if (over.parent == under.id && over.mount.point == under.mount.point)
                covered.insert(under.id);
    std::vector<Mount> mounts;
    for (const Row& row : rows)
        if (!covered.contains(row.id))
            mounts.push_back(row.mount);
    return mounts;
}

MountTable::MountTable(const std::vector<Mount>& mounts)
{
    for (const Mount& mount : mounts)
        points_.insert(mount.point, mount.device);
}

Device MountTable::deviceOf(QByteArrayView realPath) const
{
    for (QByteArrayView prefix = realPath;; prefix = prefix.first(std::max<qsizetype>(prefix.lastIndexOf('/'), 1))) {
        if (const auto device = mountedAt(prefix))
            return *device;
        if (prefix.size() <= 1)
            return 0;
    }
}

std::optional<Device> MountTable::mountedAt(QByteArrayView realPath) const
{
    const auto found = points_.constFind(QByteArray::fromRawData(realPath.data(), realPath.size()));
    if (found == points_.constEnd())
        return std::nullopt;
    return *found;
}

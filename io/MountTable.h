#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <optional>
#include <sys/types.h>
#include <vector>

// Design map
// Owns: a snapshot of the kernel's mount table (each mount point with the device of its file system); with it,
//   PathResolution (PathResolution.h) resolves a path's symbolic links into the path the kernel reaches, one
//   readlink at a time.
// Threads: a table is made once on an I/O thread and only read after that, by any thread, without a lock.
//   A PathResolution belongs to the one request that steps through it.
// Why: a file system is what the kernel says it is. A path string's longest mount-point prefix is not: a link on
//   the home disk into a share lies on the home disk, and what it reaches lies on the share. So links are read
//   from their own text (readlink touches only the file system the link lives on) and the result is looked up in
//   the table; nothing here asks the file system a path reaches (no realpath, no stat), since that may be dead.

// A file system, as stat's st_dev and the mount table's major:minor name it.
using Device = dev_t;

struct Mount {
    QByteArray point; // without escapes, as paths spell it
    Device device;
};

// The rows of /proc/self/mountinfo, in their order: the fifth field is the mount point, with the kernel's octal
// escapes (\040 a space, \011 a tab, \012 a line feed, \134 a backslash) undone, the third the device.
std::vector<Mount> parseMountInfo(QByteArrayView text);

class MountTable {
public:
    // A later mount at a point hides the one before it there and every mount below it.
    explicit MountTable(const std::vector<Mount>& mounts);

    // The device of the file system a resolved path (no links, "." or "..") lies on.
    Device deviceOf(QByteArrayView realPath) const;
    // The device mounted at exactly this resolved path, if one is.
    std::optional<Device> mountedAt(QByteArrayView realPath) const;

private:
    QHash<QByteArray, Device> points_;
};

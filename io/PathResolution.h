#pragma once

#include "io/MountTable.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

// Design map: see MountTable.h. A resolution belongs to the one request that steps through it.

// The path the kernel reaches through a path's symbolic links, worked out as the kernel does, component by
// component from "/", with the readlinks made by whoever steps through it: each step names the link to read and
// the device whose file system that read goes to. A component that is a mount point needs no read. Components
// after a failed read (missing, no permission) or past 40 links stay as they are: the call on the path then
// fails on the file system reached so far, as it would have anyway.
class PathResolution {
public:
    enum class LastLink { Follow, Keep }; // as stat and lstat treat a link in the last component

    PathResolution(QByteArrayView path, LastLink last);
    // The same resolution carried on with one more component.
    PathResolution child(QByteArrayView name, LastLink last) const;

    struct Read {
        QByteArray link;
        Device device;
    };
    // The next readlink the resolution needs; none once it is done.
    std::optional<Read> next(const MountTable& mounts);
    // What that readlink answered: the link's text, or the errno (EINVAL for no link).
    void linkRead(int error, QByteArrayView text);

    // Once done: the path reached, and the device of its file system.
    QByteArray realPath() const;
    Device device(const MountTable& mounts) const;

private:
    PathResolution() = default;
    static void prepend(std::vector<QByteArray>& components, QByteArrayView path);
    QByteArray joined(qsizetype resolvedCount) const;

    std::vector<QByteArray> resolved_; // components without links
    std::vector<QByteArray> pending_;  // the rest, the next one last
    LastLink last_ = LastLink::Follow;
    int links_ = 0;
    bool stopped_ = false;
};

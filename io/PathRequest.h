#pragma once

#include "io/IoQueue.h"
#include "io/PathResolution.h"

#include <QByteArray>

#include <memory>
#include <optional>

// Design map
// Owns: nothing beyond one request. It finds the file system a path goes to as the kernel would, reading each
//   link on the way in the lane of the file system that link lives on, and then makes the request's calls on the
//   path in the lane of the file system it reaches.
// Threads: runs on the I/O queue's threads only, one at a time; its fields are its own.

// Steps the resolution on as far as it goes in `lane`, making its readlinks there. Done: the device the path
// reaches; else the device its next readlink goes to, which is another lane.
struct Reach {
    bool done;
    Device device;
};
Reach resolveIn(PathResolution& resolution, const MountTable& mounts, std::optional<Device> lane);

// A request on one path.
class PathRequest : public IoRequest {
public:
    std::optional<Device> run(IoQueue& queue, std::optional<Device> lane) final;

protected:
    PathRequest(const QByteArray& path, PathResolution::LastLink last);

    // In the lane of the file system the path reaches; `reached` is the path with its links resolved.
    virtual void call(const QByteArray& path, const QByteArray& reached,
                      const std::shared_ptr<const MountTable>& mounts) = 0;

private:
    QByteArray path_;
    PathResolution resolution_;
    std::shared_ptr<const MountTable> mounts_;
};

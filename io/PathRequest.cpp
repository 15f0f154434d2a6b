// Design map; the rules are in PathRequest.h. The layer's one readlink loop: on the queue's threads only, each
// read in the lane of the file system the link lives on.

#include "io/PathRequest.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

Reach resolveIn(PathResolution& resolution, const MountTable& mounts, std::optional<Device> lane)
{
    for (;;) {
        const std::optional<PathResolution::Read> read = resolution.next(mounts);
        if (!read)
            return {true, resolution.device(mounts)};
        if (read->device != lane)
            return {false, read->device};
        char text[PATH_MAX];
        const ssize_t length = ::readlink(read->link.constData(), text, sizeof text);
        IoQueue::callReturned();
        resolution.linkRead(length < 0 ? errno : 0, QByteArrayView(text, length < 0 ? 0 : length));
    }
}

PathRequest::PathRequest(const QByteArray& path, PathResolution::LastLink last) : path_(path), resolution_(path, last)
{
}

std::optional<Device> PathRequest::run(IoQueue& queue, std::optional<Device> lane)
{
    if (!mounts_)
        mounts_ = queue.mounts();
    const Reach reach = resolveIn(resolution_, *mounts_, lane);
    if (reach.device != lane)
        return reach.device;
    call(path_, resolution_.realPath(), mounts_);
    return std::nullopt;
}

// Design map: see MountTable.h. Steps through a path's links one readlink at a time, made by whoever steps.

#include "io/PathResolution.h"

#include <cerrno>

namespace {

// As many links as the kernel follows in one path before it gives up (ELOOP).
constexpr int MaxLinks = 40;

} // namespace

PathResolution::PathResolution(QByteArrayView path, LastLink last) : last_(last)
{
    prepend(pending_, path);
}

PathResolution PathResolution::child(QByteArrayView name, LastLink last) const
{
    PathResolution child = *this;
    child.last_ = last;
    child.pending_.insert(child.pending_.begin(), name.toByteArray());
    return child;
}

void PathResolution::prepend(std::vector<QByteArray>& components, QByteArrayView path)
{
    const QList<QByteArray> parts = QByteArray::fromRawData(path.data(), path.size()).split('/');
    for (auto part = parts.rbegin(); part != parts.rend(); ++part)
        if (!part->isEmpty())
            components.push_back(QByteArray(part->constData(), part->size()));
}

QByteArray PathResolution::joined(qsizetype resolvedCount) const
{
    QByteArray path;
    for (qsizetype component = 0; component < resolvedCount; ++component)
        path += '/' + resolved_[static_cast<size_t>(component)];
    return path.isEmpty() ? QByteArray("/") : path;
}

std::optional<PathResolution::Read> PathResolution::next(const MountTable& mounts)
{
    while (!stopped_ && !pending_.empty()) {
        const QByteArray& component = pending_.back();
        if (component == ".") {
            pending_.pop_back();
            continue;
        }
        if (component == "..") {
            pending_.pop_back();
            if (!resolved_.empty())
                resolved_.pop_back();
            continue;
        }
        if (pending_.size() == 1 && last_ == LastLink::Keep)
            return std::nullopt;
        const QByteArray folder = joined(static_cast<qsizetype>(resolved_.size()));
        QByteArray candidate = folder.size() > 1 ? folder + '/' + component : '/' + component;
        if (mounts.mountedAt(candidate)) {
            resolved_.push_back(component);
            pending_.pop_back();
            continue;
        }
        return Read{std::move(candidate), mounts.deviceOf(folder)};
    }
    return std::nullopt;
}

void PathResolution::linkRead(int error, QByteArrayView text)
{
    QByteArray component = std::move(pending_.back());
    pending_.pop_back();
    if (error == EINVAL) {
        resolved_.push_back(std::move(component));
        return;
    }
    // A link is read in its place, unless there were too many; anything else ends the reads here.
    if (error == 0)
        ++links_;
    if (error == 0 && links_ <= MaxLinks) {
        if (text.startsWith('/'))
            resolved_.clear();
        prepend(pending_, text);
        return;
    }
    pending_.push_back(std::move(component));
    stopped_ = true;
}

QByteArray PathResolution::realPath() const
{
    QByteArray path = resolved_.empty() ? QByteArray() : joined(static_cast<qsizetype>(resolved_.size()));
    for (auto component = pending_.rbegin(); component != pending_.rend(); ++component)
        path += '/' + *component;
    return path.isEmpty() ? QByteArray("/") : path;
}

Device PathResolution::device(const MountTable& mounts) const
{
    return mounts.deviceOf(realPath());
}

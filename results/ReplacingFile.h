#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>

// A file written under a temporary name in the folder of its final name and
// renamed over it only by commit(). Dropped before that, it leaves the old
// file byte for byte as it was and no temporary file behind. Failures are
// thrown as Failure with the system's description and the path. Its calls
// may come from any one thread at a time.
class ReplacingFile {
public:
    virtual ~ReplacingFile() = default;
    virtual void write(QByteArrayView bytes) = 0;
    virtual void commit() = 0;
};

// Opens a replacing file for the path. A symbolic link is followed, so the
// file it points to is replaced and the link stays; the new file takes the
// permissions of the old one. Where the file system has unnamed temporary
// files the new one has no name until commit(); elsewhere it is written as
// openNamedReplacingFile() does.
std::unique_ptr<ReplacingFile> openReplacingFile(const QString& path);

// As above, but always written under a hidden name of the program's beside
// the target, ".<name>.scrivlist-partial-<n>", locked while it is written.
// One left behind by a save that was killed is removed by the next save to
// the same target; one that a running save holds is kept.
std::unique_ptr<ReplacingFile> openNamedReplacingFile(const QString& path);

using ReplacingFileOpener = std::function<std::unique_ptr<ReplacingFile>(const QString& path)>;

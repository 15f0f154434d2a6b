#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>

// A file written under a temporary name in the folder of its final name and
// renamed over it only by commit(). Dropped before that, it leaves the old
// file byte for byte as it was and no temporary file behind. Failures are
// thrown as Failure with the platform's description and the path.
class ReplacingFile {
public:
    virtual ~ReplacingFile() = default;
    virtual void write(QByteArrayView bytes) = 0;
    virtual void commit() = 0;
};

// Opens a replacing file for the path. A symbolic link is followed, so the
// file it points to is replaced and the link stays; the new file takes the
// permissions of the old one.
std::unique_ptr<ReplacingFile> openReplacingFile(const QString& path);

using ReplacingFileOpener = std::function<std::unique_ptr<ReplacingFile>(const QString& path)>;

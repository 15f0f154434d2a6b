#pragma once

#include "search/ResultForm.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The result lines of one folder's matching files. What a line takes from the
// folder is worked out once, when a form first needs it, so a folder of many
// matches costs one normalisation rather than one per file.
class FolderLines {
public:
    explicit FolderLines(QByteArray folderPath);

    // A line is `head` followed by `name`; either may be empty.
    struct Line {
        QByteArrayView head;
        QByteArrayView name;
    };

    // The line for a file of this folder in the given form; none for None.
    // The views stay valid while this object and fileName's bytes do.
    std::optional<Line> line(ResultForm form, QByteArrayView fileName);

private:
    QByteArray folderPath_;
    std::optional<QByteArray> pathPrefix_; // every path and file name starts with it
    std::optional<QByteArray> subfolder_;
};

#include "search/FolderLines.h"

#include "text/Paths.h"

#include <utility>

FolderLines::FolderLines(QByteArray folderPath) : folderPath_(std::move(folderPath)) {}

std::optional<FolderLines::Line> FolderLines::line(ResultForm form, QByteArrayView fileName)
{
    switch (form) {
    case ResultForm::None:
        break;
    case ResultForm::PathAndFilename:
        // A file name holds no separator, so normalising the folder with the
        // separator after it gives what normalising the whole path would.
        if (!pathPrefix_)
            pathPrefix_ = NormalizePath(folderPath_ + NativeSeparator);
        return Line{*pathPrefix_, fileName};
    case ResultForm::JustFilename:
        return Line{{}, fileName};
    case ResultForm::JustPath:
        return Line{folderPath_, {}};
    case ResultForm::JustSubfolder:
        // The name of the folder that would hold a file placed in it.
        if (!subfolder_)
            subfolder_ = ParentFolderName(NormalizePath(folderPath_ + NativeSeparator + "test.txt"));
        return Line{*subfolder_, {}};
    }
    return std::nullopt;
}

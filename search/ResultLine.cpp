#include "ResultLine.h"

#include "Paths.h"

namespace {

QByteArray joined(QByteArrayView folderPath, QByteArrayView fileName)
{
    QByteArray path;
    path.reserve(folderPath.size() + 1 + fileName.size());
    path.append(folderPath).append(NativeSeparator).append(fileName);
    return path;
}

} // namespace

QByteArray resultLine(ResultForm form, QByteArrayView folderPath, QByteArrayView fileName)
{
    switch (form) {
    case ResultForm::None:
        break;
    case ResultForm::PathAndFilename:
        return NormalizePath(joined(folderPath, fileName));
    case ResultForm::JustFilename:
        return fileName.toByteArray();
    case ResultForm::JustPath:
        return folderPath.toByteArray();
    case ResultForm::JustSubfolder:
        // The name of the folder that would hold a file placed in it.
        return ParentFolderName(NormalizePath(joined(folderPath, "test.txt")));
    }
    return {};
}

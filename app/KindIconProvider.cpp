#include "app/KindIconProvider.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

QIcon KindIconProvider::icon(const QFileInfo& info) const
{
    if (info.isRoot())
        return icon(Drive);
    return icon(info.isDir() ? Folder : File);
}

QString KindIconProvider::type(const QFileInfo& info) const
{
    // The toolkit's own answer reads a file to name its type; for anything
    // else it goes by kind alone.
    if (!info.isFile() || info.isRoot())
        return QFileIconProvider::type(info);
    const QMimeType byName = mimeDatabase_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return byName.isDefault() ? QCoreApplication::translate("KindIconProvider", "File") : byName.comment();
}

void showEntriesByKind(QFileDialog& dialog, KindIconProvider& provider)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&provider);
}

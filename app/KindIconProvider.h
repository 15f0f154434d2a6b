#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>

class QFileDialog;

// Icons and type names for the file dialogs by what an entry is (drive,
// folder, file, link, special file) and, for a file, by its name alone. It
// never opens an entry: guessing from contents hangs on /proc/kmsg, on a pipe
// behind a link or on a hung mount, and the dialog with it.
class KindIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

private:
    QMimeDatabase mimeDatabase_;
};

// Makes the dialog the toolkit's own, which takes its icons from the
// provider; a desktop's native dialog would choose them its own way.
void showEntriesByKind(QFileDialog& dialog, KindIconProvider& provider);

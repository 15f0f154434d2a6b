#include "app/SaveFileDialog.h"

#include "io/Lookup.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

SaveFileDialog::SaveFileDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title)
{
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // The question is asked by the save itself, after its own lookup off this thread.
    setOption(QFileDialog::DontConfirmOverwrite);
    setOption(QFileDialog::DontResolveSymlinks);
}

void SaveFileDialog::stopLookingAtTypedPaths()
{
    nameEdit_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* const buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (nameEdit_ == nullptr || buttons == nullptr)
        return;
    nameEdit_->setCompleter(nullptr);
    // Completion and the Save button's state: both look at the typed path.
    disconnect(nameEdit_, SIGNAL(textChanged(QString)), this, nullptr);
    QPushButton* const save = buttons->button(QDialogButtonBox::Save);
    if (save == nullptr)
        return;
    const auto enableSave = [save](const QString& text) { save->setEnabled(!text.isEmpty()); };
    connect(nameEdit_, &QLineEdit::textChanged, save, enableSave);
    enableSave(nameEdit_->text());
}

void SaveFileDialog::accept()
{
    if (nameEdit_ == nullptr) {
        QFileDialog::accept();
        chosen_ = selectedFiles().value(0);
        return;
    }
    const QString typed = nameEdit_->text();
    if (typed.isEmpty() || accepting_)
        return;
    accepting_ = true;
    const QString path =
        QDir::cleanPath(QDir::isAbsolutePath(typed) ? typed : directory().absolutePath() + QLatin1Char('/') + typed);
    Lookup lookup({QFile::encodeName(path)}, folderLookup());
    lookup.await([] { QCoreApplication::processEvents(); });
    accepting_ = false;
    // Cancelled meanwhile.
    if (!isVisible())
        return;
    // As the toolkit does: a typed folder is gone into.
    if (lookup.answer(0) == Lookup::Answer::Found) {
        setDirectory(path);
        nameEdit_->clear();
        return;
    }
    chosen_ = path;
    // Not the toolkit's accept(), which looks at the typed path once more.
    done(QDialog::Accepted);
}

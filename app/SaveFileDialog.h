#pragma once

#include <QFileDialog>

class QLineEdit;

// The toolkit's own save dialog, except that a typed path is never looked
// at on the window's thread. The toolkit completes, enables Save and checks
// on Return by asking the disk about whatever is typed, so a path on a dead
// mount froze the window as it was typed. Here typing only edits the text,
// Save is enabled for any name, and on Return whether the path is a folder
// to go into is looked up on the I/O threads while the dialog stays live;
// one that does not answer is taken as the file, which the save then reports.
class SaveFileDialog : public QFileDialog {
public:
    SaveFileDialog(QWidget* parent, const QString& title);

    // Call once the dialog is set up, before exec().
    void stopLookingAtTypedPaths();
    // The path accepted; empty until then.
    QString chosenPath() const { return chosen_; }

protected:
    void accept() override;

private:
    QLineEdit* nameEdit_ = nullptr;
    QString chosen_;
    bool accepting_ = false;
};

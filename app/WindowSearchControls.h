#pragma once

#include "search/SearchControls.h"

#include <QObject>

#include <QList>

class PointerFeedback;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SubfolderCheckBox;

// What a search run reads and sets on the window: the phrase box, the option
// buttons of the result form, the subfolder box, the Start button's caption
// and the pointer. Around the walk it tells whoever listens.
class WindowSearchControls : public QObject, public SearchControls {
    Q_OBJECT
public:
    WindowSearchControls(QLineEdit& phrase, const QList<QRadioButton*>& options, SubfolderCheckBox& subfolders,
                         QPushButton& start, PointerFeedback& pointer, QObject* parent);

    QString phrase() const override;
    ResultForm resultForm() const override;
    int includeSubfolders() const override;
    QString startCaption() const override;
    void setStartCaption(const QString& caption) override;
    void setPointer(PointerState state) override;
    void walkStarted() override { emit searchWalkStarted(); }
    void walkEnded() override { emit searchWalkEnded(); }

signals:
    void searchWalkStarted();
    void searchWalkEnded();

private:
    QLineEdit& phrase_;
    QList<QRadioButton*> options_;
    SubfolderCheckBox& subfolders_;
    QPushButton& start_;
    PointerFeedback& pointer_;
};

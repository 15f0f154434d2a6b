#include "app/WindowSearchControls.h"

#include "app/PointerFeedback.h"
#include "app/SubfolderCheckBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

WindowSearchControls::WindowSearchControls(QLineEdit& phrase, const QList<QRadioButton*>& options,
                                           SubfolderCheckBox& subfolders, QPushButton& start, PointerFeedback& pointer,
                                           QObject* parent)
    : QObject(parent), phrase_(phrase), options_(options), subfolders_(subfolders), start_(start), pointer_(pointer)
{
}

QString WindowSearchControls::phrase() const
{
    return phrase_.text();
}

// The option buttons choose the forms in their order, from Option1.
ResultForm WindowSearchControls::resultForm() const
{
    for (qsizetype option = 0; option < options_.size(); ++option)
        if (options_[option]->isChecked())
            return static_cast<ResultForm>(option + 1);
    return ResultForm::None;
}

int WindowSearchControls::includeSubfolders() const
{
    return subfolders_.value();
}

QString WindowSearchControls::startCaption() const
{
    return start_.text();
}

void WindowSearchControls::setStartCaption(const QString& caption)
{
    start_.setText(caption);
}

void WindowSearchControls::setPointer(PointerState state)
{
    pointer_.setState(state);
}

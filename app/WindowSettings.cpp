#include "app/WindowSettings.h"

#include "app/SettingsStore.h"
#include "app/SubfolderCheckBox.h"
#include "common/StepTrap.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

const QString Check5Key = QStringLiteral("Check5");
const QString Text1Key = QStringLiteral("Text1");
const QString OptionKey = QStringLiteral("Option");
const QString LastFolderKey = QStringLiteral("LastFolder");

} // namespace

WindowSettings::WindowSettings(SettingsStore& store, SubfolderCheckBox& check5, QLineEdit& text1,
                               const QList<QRadioButton*>& options, QObject* parent)
    : QObject(parent), store_(store), check5_(check5), text1_(text1), options_(options)
{
    // Every change of the state counts, the greyed one too; Qt 6.7 renamed the signal that says so.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    connect(&check5_, &QCheckBox::checkStateChanged, this, &WindowSettings::Check5_Click);
#else
    connect(&check5_, &QCheckBox::stateChanged, this, &WindowSettings::Check5_Click);
#endif
    connect(&text1_, &QLineEdit::textChanged, this, &WindowSettings::Text1_Change);
    for (qsizetype option = 0; option < options_.size(); ++option) {
        // The option that loses the selection says nothing.
        connect(options_[option], &QRadioButton::toggled, this, [this, number = option + 1](bool on) {
            if (on)
                Option_Click(static_cast<int>(number));
        });
    }
}

void WindowSettings::restore(StepTrap& trap)
{
    trap.step(136, [&] { check5_.setValue(checkBoxSettingValue(store_.read(Check5Key, QStringLiteral("1")))); });
    trap.step(138, [&] { text1_.setText(store_.read(Text1Key, QString())); });
    QString option;
    trap.step(140, [&] { option = store_.read(OptionKey, QStringLiteral("1")); });
    if (trap.test(142, [&] { return numericSettingValue(option) == 1; }))
        trap.step(144, [&] { options_[0]->setChecked(true); });
    else if (trap.test(146, [&] { return numericSettingValue(option) == 2; }))
        trap.step(148, [&] { options_[1]->setChecked(true); });
    else if (trap.test(150, [&] { return numericSettingValue(option) == 3; }))
        trap.step(152, [&] { options_[2]->setChecked(true); });
    else
        trap.step(154, [&] { options_[3]->setChecked(true); });
}

QString WindowSettings::lastFolder() const
{
    return store_.read(LastFolderKey, QString());
}

void WindowSettings::setLastFolder(const QString& folder)
{
    store_.write(LastFolderKey, folder);
}

void WindowSettings::Check5_Click()
{
    store_.write(Check5Key, QString::number(check5_.value()));
}

void WindowSettings::Text1_Change()
{
    store_.write(Text1Key, text1_.text());
}

void WindowSettings::Option_Click(int number)
{
    store_.write(OptionKey, QString::number(number));
}

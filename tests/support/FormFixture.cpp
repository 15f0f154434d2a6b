#include "FormFixture.h"

#include <QDir>

FormFixture::FormFixture(int dice_) : dice(dice_)
{
    QDir().mkpath(programFolder());
    settings = std::make_unique<SettingsStore>(settingsPath());
    form = std::make_unique<Form1>(Form1Services{desktop, *settings, programFolder(), [this] { return dice; }});
}

void FormFixture::restart(int dice_)
{
    dice = dice_;
    form.reset();
    settings = std::make_unique<SettingsStore>(settingsPath());
    form = std::make_unique<Form1>(Form1Services{desktop, *settings, programFolder(), [this] { return dice; }});
}

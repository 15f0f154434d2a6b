#include "app/SettingsStore.h"

#include "common/Failure.h"

#include <QSettings>
#include <QStringList>

#include <cmath>

const QString SettingsStore::ApplicationName = QStringLiteral("Quillmark");
const QString SettingsStore::SectionName = QStringLiteral("Scrivlist Software");

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, ApplicationName))
{
}

SettingsStore::SettingsStore(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::NativeFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    const QVariant value = settings_->value(SectionName + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with an unquoted comma reads back as a list.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::write(const QString& key, const QString& value)
{
    settings_->setValue(SectionName + QLatin1Char('/') + key, value);
    settings_->sync();
}

double numericSettingValue(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Failure(QStringLiteral("Type mismatch"));
    return value;
}

int checkBoxSettingValue(const QString& text)
{
    const double value = std::nearbyint(numericSettingValue(text));
    if (value < 0 || value > 2)
        throw Failure(QStringLiteral("Invalid property value"));
    return static_cast<int>(value);
}

#include "SettingsStore.h"

#include <QSettings>
#include <QStringList>

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

QString SettingsStore::fileName() const
{
    return settings_->fileName();
}

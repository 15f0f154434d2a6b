#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user store of the program's choices: text values under the
// application "Quillmark" and the section "Scrivlist Software". Every write is
// flushed to disk at once, so nothing depends on a clean exit.
class SettingsStore {
public:
    // The user's own store (~/.config/Quillmark.conf on Linux).
    SettingsStore();
    // A store kept in the given file; used by tests.
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or the default when the key is missing. A stored
    // empty text reads as empty.
    QString read(const QString& key, const QString& defaultValue) const;
    // A store that cannot be written is not an error the user can act on;
    // the program goes on with what it has.
    void write(const QString& key, const QString& value);

    static const QString ApplicationName;
    static const QString SectionName;

private:
    std::unique_ptr<QSettings> settings_;
};

// Stored texts read back as values. Each throws Failure with the
// description the error box shows.
// A number, as a conversion to a number reads it: "Type mismatch".
double numericSettingValue(const QString& text);
// A check box value, 0, 1 or 2 after rounding: "Invalid property value".
int checkBoxSettingValue(const QString& text);

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A phrase prepared once for many case-insensitive substring tests against
// texts held as UTF-8 bytes (file names, result lines). Both sides are
// lower-cased and, beyond ASCII, brought to one Unicode form (NFC); nothing
// in the phrase is special.
class PhraseMatcher {
public:
    explicit PhraseMatcher(const QString& phrase);

    bool matches(QByteArrayView text) const;

private:
    QString lowerPhrase_;
    QByteArray asciiLowerPhrase_; // set when the lower-cased phrase is ASCII
    bool phraseIsAscii_ = false;
};

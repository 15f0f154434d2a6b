#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A phrase prepared once for many case-insensitive substring tests against
// texts held as UTF-8 bytes (file names, result lines). Both sides are
// lower-cased and case-folded (so the Greek final sigma is a sigma) and,
// beyond ASCII, brought to one Unicode form (NFC); nothing in the phrase is
// special. Preparing takes time that grows with the phrase's length.
class PhraseMatcher {
public:
    explicit PhraseMatcher(const QString& phrase);

    // The phrase as given.
    const QString& phrase() const { return phrase_; }
    bool matches(QByteArrayView text) const;

private:
    QString phrase_;
    QString lowerPhrase_;
    QByteArray asciiLowerPhrase_; // set when the lower-cased phrase is ASCII
    bool phraseIsAscii_ = false;
};

#pragma once

#include <QString>

// The phrase as typed into the phrase box or given after --list.

// Refused by a search: empty, or spaces only. Other spaces count, so
// " .txt" finds only names with a space before ".txt".
bool isBlankPhrase(const QString& typed);

// What a search looks for: the phrase with every "*" taken out, so "*" alone
// finds every file.
QString searchedPhrase(QString typed);

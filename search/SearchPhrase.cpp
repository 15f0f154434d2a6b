#include "search/SearchPhrase.h"

#include <algorithm>

bool isBlankPhrase(const QString& typed)
{
    return std::all_of(typed.begin(), typed.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

QString searchedPhrase(QString typed)
{
    return typed.remove(QLatin1Char('*'));
}

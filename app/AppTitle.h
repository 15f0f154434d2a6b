#pragma once

#include <QString>

// The application title derived from the product name: words are cut from
// the end, at least once, until at most 40 characters remain. Throws Failure
// when no space is left to cut at.
QString deriveAppTitle(const QString& productName);

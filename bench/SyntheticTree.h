#pragma once

#include <QString>

#include <cstdint>

// A folder tree of ordinary empty files made from a seed: the same seed and
// sizes always give the same names in the same folders.
struct TreeSummary {
    long long files = 0;
    long long folders = 0;
    long long matching = 0; // names that contain the phrase, ignoring case
};

TreeSummary makeSyntheticTree(const QString& root, long long files, std::uint64_t seed, const QByteArray& phrase,
                              int filesPerFolder = 100);

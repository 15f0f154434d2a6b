#pragma once

#include <QString>

// True when the last-modified time of the path can be read (a file or a
// folder); false on any failure. Never throws.
bool FileExists(const QString& path) noexcept;

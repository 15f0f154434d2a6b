#pragma once

#include <QByteArray>

#include <chrono>
#include <functional>
#include <vector>

// Whether a path names an existing file or folder; a link counts as itself.
bool itemExists(const QByteArray& path);

// Looks up whether each path names an existing item, on a helper thread, so
// that a hung mount never holds the caller. The caller waits, running
// whileWaiting every few milliseconds; a path whose look has not answered
// within `patience` counts as missing, and the paths after it are looked up
// on a fresh thread, up to a few such threads; then the rest count as
// missing too. The thread of a look that never returns is left to it.
std::vector<bool> lookUpItems(const std::vector<QByteArray>& paths, std::chrono::milliseconds patience,
                              const std::function<void()>& whileWaiting = {},
                              const std::function<bool(const QByteArray&)>& look = itemExists);

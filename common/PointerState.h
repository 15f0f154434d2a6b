#pragma once

#include <functional>

// The window's one pointer state. Busy doubles as the sign that an operation
// is running.
enum class PointerState { Default, Arrow, Busy, Custom };

// How work outside the window sets the window's pointer state.
using SetPointerState = std::function<void(PointerState)>;

#pragma once

#include <functional>

// Values of the window's one pointer state. Busy doubles as the sign that an
// operation is running.
enum PointerState : int { PointerDefault = 0, PointerArrow = 1, PointerBusy = 11, PointerCustom = 99 };

// How work outside the window sets the window's pointer state.
using SetPointerState = std::function<void(PointerState)>;

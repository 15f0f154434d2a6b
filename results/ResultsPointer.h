#pragma once

#include <functional>

// The pointer shapes that work on the results asks the window for; the
// window maps them onto its own pointer state.
enum class ResultsPointer { Busy, Arrow, Default };

using SetResultsPointer = std::function<void(ResultsPointer)>;

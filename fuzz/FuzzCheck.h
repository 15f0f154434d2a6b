#pragma once

#include <cstdio>
#include <cstdlib>

// A property that does not hold: libFuzzer takes the abort as a crash and keeps the input.
inline void require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property does not hold: %s\n", property);
        std::abort();
    }
}

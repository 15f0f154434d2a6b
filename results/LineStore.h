#pragma once

#include "memory/GrowingArray.h"

#include <cstddef>
#include <cstdint>

// The result list's storage: every line's bytes one after the other, the
// end offset of each line and its check mark.
struct LineStore {
    GrowingArray<char> bytes;
    GrowingArray<std::uint64_t> ends;
    GrowingArray<std::uint8_t> checks;

    std::size_t count() const { return ends.size(); }
    std::size_t start(std::size_t line) const { return line == 0 ? 0 : static_cast<std::size_t>(ends[line - 1]); }
    // Bytes held, as the history counts them.
    std::size_t heldBytes() const { return bytes.size() + ends.size() * sizeof(std::uint64_t) + checks.size(); }
};

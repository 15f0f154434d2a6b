#pragma once

#include <cstddef>

// Asks the system to back a large block with large pages where it offers
// them, before the block is first written: filling a hundred megabytes then
// costs a page fault per 2 MiB instead of one per 4 KiB. Only a hint; any
// block of memory the caller owns may be passed.
void preferLargePages(void* data, std::size_t bytes);

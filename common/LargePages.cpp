#include "LargePages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void preferLargePages(void* data, std::size_t bytes)
{
#ifdef __linux__
    // Whole pages inside the block only; a large page needs 2 MiB to gain anything.
    constexpr std::uintptr_t PageSize = 4096;
    constexpr std::size_t LargePageSize = std::size_t(2) << 20;
    const auto address = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (address + PageSize - 1) & ~(PageSize - 1);
    const std::uintptr_t end = (address + bytes) & ~(PageSize - 1);
    if (end > begin && end - begin >= LargePageSize)
        (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

#include "memory/LargePages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void preferLargePages(void* data, std::size_t bytes)
{
#ifdef __linux__
    // Whole pages inside the block only; a large page needs 2 MiB to gain anything.
    constexpr std::size_t PageSize = 4096;
    constexpr std::size_t LargePageSize = std::size_t(2) << 20;
    const std::size_t intoPage = reinterpret_cast<std::uintptr_t>(data) % PageSize;
    const std::size_t skipped = intoPage == 0 ? 0 : PageSize - intoPage;
    if (bytes < skipped + LargePageSize)
        return;
    const std::size_t length = (bytes - skipped) / PageSize * PageSize;
    (void)::madvise(static_cast<char*>(data) + skipped, length, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

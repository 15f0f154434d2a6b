#include "GrowingArray.h"

#include "LargePages.h"

#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace growing_block {

#ifdef __linux__

namespace {

// From this size on a block is a mapping of its own.
constexpr std::size_t MappedFrom = std::size_t(1) << 20;

bool isMapped(std::size_t capacityBytes)
{
    return capacityBytes >= MappedFrom;
}

void* mapped(void* block, std::size_t bytes)
{
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    preferLargePages(block, bytes);
    return block;
}

} // namespace

void* resize(void* block, std::size_t usedBytes, std::size_t capacityBytes, std::size_t newCapacityBytes)
{
    if (!isMapped(newCapacityBytes)) {
        void* grown = std::realloc(block, newCapacityBytes);
        if (grown == nullptr)
            throw std::bad_alloc();
        return grown;
    }
    if (isMapped(capacityBytes))
        return mapped(::mremap(block, capacityBytes, newCapacityBytes, MREMAP_MAYMOVE), newCapacityBytes);
    void* grown = mapped(::mmap(nullptr, newCapacityBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0),
                         newCapacityBytes);
    if (usedBytes > 0)
        std::memcpy(grown, block, usedBytes);
    std::free(block);
    return grown;
}

void release(void* block, std::size_t capacityBytes) noexcept
{
    if (isMapped(capacityBytes))
        ::munmap(block, capacityBytes);
    else
        std::free(block);
}

#else

void* resize(void* block, std::size_t, std::size_t, std::size_t newCapacityBytes)
{
    void* grown = std::realloc(block, newCapacityBytes);
    if (grown == nullptr)
        throw std::bad_alloc();
    return grown;
}

void release(void* block, std::size_t) noexcept
{
    std::free(block);
}

#endif

} // namespace growing_block

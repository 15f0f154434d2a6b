#include "memory/GrowingArray.h"

#include "memory/LargePages.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace growing_block {

namespace {

Block reallocated(void* data, std::size_t wantedBytes)
{
    void* grown = std::realloc(data, wantedBytes);
    if (grown == nullptr)
        throw std::bad_alloc();
    return {grown, wantedBytes};
}

} // namespace

#ifdef __linux__

namespace {

// From this size on a block is a mapping of its own.
constexpr std::size_t MappedFrom = std::size_t(1) << 20;

bool isMapped(std::size_t capacityBytes)
{
    return capacityBytes >= MappedFrom;
}

// Whole pages, so the mapping stays one piece that can be remapped.
std::size_t wholePages(std::size_t bytes)
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (bytes > SIZE_MAX - page)
        throw std::bad_alloc();
    return (bytes + page - 1) / page * page;
}

Block mapped(void* data, std::size_t bytes)
{
    if (data == MAP_FAILED)
        throw std::bad_alloc();
    preferLargePages(data, bytes);
    return {data, bytes};
}

} // namespace

Block resize(void* data, std::size_t usedBytes, std::size_t capacityBytes, std::size_t wantedBytes)
{
    if (!isMapped(wantedBytes))
        return reallocated(data, wantedBytes);
    const std::size_t bytes = wholePages(wantedBytes);
    if (isMapped(capacityBytes))
        return mapped(::mremap(data, capacityBytes, bytes, MREMAP_MAYMOVE), bytes);
    Block block = mapped(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0), bytes);
    if (usedBytes > 0)
        std::memcpy(block.data, data, usedBytes);
    std::free(data);
    return block;
}

void release(void* data, std::size_t capacityBytes) noexcept
{
    if (isMapped(capacityBytes))
        ::munmap(data, capacityBytes);
    else
        std::free(data);
}

bool keepsForReuse(void* data, std::size_t capacityBytes) noexcept
{
    return isMapped(capacityBytes) && ::madvise(data, capacityBytes, MADV_FREE) == 0;
}

#else

Block resize(void* data, std::size_t, std::size_t, std::size_t wantedBytes)
{
    return reallocated(data, wantedBytes);
}

void release(void* data, std::size_t) noexcept
{
    std::free(data);
}

bool keepsForReuse(void*, std::size_t) noexcept
{
    return false;
}

#endif

} // namespace growing_block

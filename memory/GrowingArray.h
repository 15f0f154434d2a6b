#pragma once

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

// Memory for GrowingArray. Small blocks come from the heap; large ones are
// mapped on their own and grown by remapping, so growing never copies the
// contents and never touches a page twice. Throws std::bad_alloc.
namespace growing_block {
struct Block {
    void* data;
    std::size_t capacityBytes; // at least what was asked for
};
Block resize(void* data, std::size_t usedBytes, std::size_t capacityBytes, std::size_t wantedBytes);
void release(void* data, std::size_t capacityBytes) noexcept;
// True when the block stays to be filled again, its contents given up.
bool keepsForReuse(void* data, std::size_t capacityBytes) noexcept;
} // namespace growing_block

// A growable array of plain values for storage that reaches hundreds of
// megabytes: appending stays cheap and even, without the pause of copying
// everything into a block twice the size.
template <typename T>
class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>);
    // So that a block's capacity in bytes, whole pages when mapped, is whole values.
    static_assert((sizeof(T) & (sizeof(T) - 1)) == 0 && sizeof(T) <= 64);

public:
    GrowingArray() = default;
    ~GrowingArray() { growing_block::release(data_, capacity_ * sizeof(T)); }
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    GrowingArray(GrowingArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0))
    {
    }
    GrowingArray& operator=(GrowingArray&& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    T& operator[](std::size_t position) { return data_[position]; }
    const T& operator[](std::size_t position) const { return data_[position]; }

    // Room for `more` values after the last one, so the appends that follow cannot fail.
    void reserveMore(std::size_t more)
    {
        if (capacity_ - size_ < more)
            grow(more);
    }

    void push_back(T value)
    {
        reserveMore(1);
        data_[size_++] = value;
    }

    void append(const T* values, std::size_t count)
    {
        reserveMore(count);
        if (count > 0)
            std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }

    // Adds `more` values left unset, to be written in place.
    void extend(std::size_t more)
    {
        reserveMore(more);
        size_ += more;
    }

    void erase(std::size_t position, std::size_t count = 1)
    {
        std::memmove(data_ + position, data_ + position + count, (size_ - position - count) * sizeof(T));
        size_ -= count;
    }

    // Keeps the first `size` values; the memory stays for later appends.
    void truncate(std::size_t size) { size_ = size < size_ ? size : size_; }

    // Empties the array. A large block stays, its pages given back lazily: the
    // system takes them only when it runs short, and filling the array again
    // reuses those it left, instead of having each fresh page faulted in and
    // zeroed. A small block goes back to the heap.
    void clear()
    {
        size_ = 0;
        if (growing_block::keepsForReuse(data_, capacity_ * sizeof(T)))
            return;
        growing_block::release(data_, capacity_ * sizeof(T));
        data_ = nullptr;
        capacity_ = 0;
    }

private:
    void grow(std::size_t more)
    {
        if (more > MaxSize - size_)
            throw std::bad_alloc();
        std::size_t capacity = capacity_ < 16 ? 16 : capacity_ > MaxSize / 2 ? MaxSize : capacity_ * 2;
        if (capacity < size_ + more)
            capacity = size_ + more;
        const growing_block::Block block =
            growing_block::resize(data_, size_ * sizeof(T), capacity_ * sizeof(T), capacity * sizeof(T));
        data_ = static_cast<T*>(block.data);
        capacity_ = block.capacityBytes / sizeof(T);
    }

    static constexpr std::size_t MaxSize = std::numeric_limits<std::ptrdiff_t>::max() / sizeof(T);

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

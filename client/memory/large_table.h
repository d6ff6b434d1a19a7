#pragma once

// Memory for large tables: the in-memory directory's (objects, attributes,
// values, name indexes, the text arena) and the LDAP client's blocks of
// searched entries. A block of kLargeBlockBytes or more
// is mapped on its own, aligned to 2 MiB and asked for in huge pages where the
// system offers them: filling a table of hundreds of megabytes then takes a
// page fault per 2 MiB instead of per 4 KiB, and probing it at random misses
// the address translation cache far less often. Smaller blocks come from the
// usual allocator.

#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace veralith::client::memory {

inline constexpr std::size_t kLargeBlockBytes = std::size_t {2} << 20;

// Maps bytes (rounded up to a multiple of 2 MiB) of zeroed memory, aligned to
// 2 MiB; nullptr when the system refuses. Free with UnmapLargeBlock and the
// same byte count.
void* MapLargeBlock(std::size_t bytes);
void UnmapLargeBlock(void* block, std::size_t bytes);

// A standard allocator that places blocks of kLargeBlockBytes or more with
// MapLargeBlock. Stateless: every instance frees what any other allocated.
template<typename T>
class LargeTableAllocator
{
public:
    using value_type = T;

    LargeTableAllocator() = default;
    template<typename U>
    LargeTableAllocator(const LargeTableAllocator<U>& /*other*/) noexcept
    { }

    T* allocate(std::size_t count)
    {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBlockBytes) {
            return std::allocator<T>().allocate(count);
        }
        void* block = MapLargeBlock(bytes);
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t count) noexcept
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBlockBytes) {
            std::allocator<T>().deallocate(block, count);
        } else {
            UnmapLargeBlock(block, bytes);
        }
    }

    template<typename U>
    bool operator==(const LargeTableAllocator<U>& /*other*/) const noexcept
    {
        return true;
    }
};

template<typename T>
using LargeVector = std::vector<T, LargeTableAllocator<T>>;

// A block of bytes that owns its memory: placed with MapLargeBlock when it is
// kLargeBlockBytes or larger (and the system maps it), else with new[]. The
// bytes are not initialised.
class LargeBlock
{
public:
    explicit LargeBlock(std::size_t size);
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    char* get() const { return m_bytes; }
    std::size_t size() const { return m_size; }

private:
    void Release() noexcept;

    char* m_bytes = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;
};

} // namespace veralith::client::memory

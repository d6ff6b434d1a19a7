#include "client/memory/large_table.h"

#include <cstdint>
#include <sys/mman.h>

namespace veralith::client::memory {

namespace {

std::size_t RoundedUp(std::size_t bytes)
{
    return (bytes + kLargeBlockBytes - 1) & ~(kLargeBlockBytes - 1);
}

} // namespace

void* MapLargeBlock(std::size_t bytes)
{
    if (bytes == 0 || bytes > std::numeric_limits<std::size_t>::max() - 2 * kLargeBlockBytes) {
        return nullptr;
    }
    const std::size_t size = RoundedUp(bytes);
    // Map 2 MiB more than needed and give back the unaligned head and tail:
    // huge pages need 2 MiB-aligned addresses.
    const std::size_t mapped = size + kLargeBlockBytes;
    void* at = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(at);
    const std::uintptr_t aligned = (start + kLargeBlockBytes - 1) & ~static_cast<std::uintptr_t>(kLargeBlockBytes - 1);
    const std::size_t head = aligned - start;
    const std::size_t tail = mapped - head - size;
    if (head > 0) {
        munmap(at, head);
    }
    if (tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    auto* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void UnmapLargeBlock(void* block, std::size_t bytes)
{
    if (block != nullptr && bytes > 0) {
        munmap(block, RoundedUp(bytes));
    }
}

} // namespace veralith::client::memory

#include "client/memory/large_table.h"

#include <cstdint>
#include <sys/mman.h>
#include <utility>

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

LargeBlock::LargeBlock(std::size_t size)
    : m_size(size)
{
    if (size >= kLargeBlockBytes) {
        m_bytes = static_cast<char*>(MapLargeBlock(size));
        m_mapped = m_bytes != nullptr;
    }
    if (m_bytes == nullptr) {
        m_bytes = new char[size];
    }
}

LargeBlock::~LargeBlock()
{
    Release();
}

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_mapped(other.m_mapped)
{ }

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_bytes = std::exchange(other.m_bytes, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = other.m_mapped;
    }
    return *this;
}

void LargeBlock::Release() noexcept
{
    if (m_bytes == nullptr) {
        return;
    }
    if (m_mapped) {
        UnmapLargeBlock(m_bytes, m_size);
    } else {
        delete[] m_bytes;
    }
    m_bytes = nullptr;
}

} // namespace veralith::client::memory

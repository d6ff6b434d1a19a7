#include "client/ldap/byte_arena.h"

#include <cstring>

namespace veralith::client::ldap {

char* ByteArena::Reserve(std::size_t size)
{
    char* at = nullptr;
    if (size > kBlockSize / 4) {
        // A large item gets a block of its own, placed before the current
        // one so that the current block stays in use.
        memory::LargeBlock block(size);
        at = block.get();
        m_blocks.insert(m_blocks.empty() ? m_blocks.end() : m_blocks.end() - 1, std::move(block));
    } else {
        if (m_used + size > kBlockSize) {
            m_blocks.emplace_back(kBlockSize);
            m_used = 0;
        }
        at = m_blocks.back().get() + m_used;
        m_used += size;
    }
    m_kept += size;
    return at;
}

std::string_view ByteArena::Keep(std::string_view bytes)
{
    return Keep({bytes});
}

std::string_view ByteArena::Keep(std::initializer_list<std::string_view> parts)
{
    std::size_t size = 0;
    for (const std::string_view part : parts) {
        size += part.size();
    }
    if (size == 0) {
        return {};
    }
    char* const start = Reserve(size);
    char* at = start;
    for (const std::string_view part : parts) {
        std::memcpy(at, part.data(), part.size());
        at += part.size();
    }
    return {start, size};
}

void ByteArena::clear()
{
    m_blocks.clear();
    m_used = kBlockSize;
    m_kept = 0;
}

} // namespace veralith::client::ldap

#include "client/ldap/byte_arena.h"

#include <cstring>

namespace veralith::client::ldap {

std::string_view ByteArena::Keep(std::string_view bytes)
{
    if (bytes.empty()) {
        return {};
    }
    char* at = nullptr;
    if (bytes.size() > kBlockSize / 4) {
        // A large item gets a block of its own, placed before the current
        // one so that the current block stays in use.
        auto block = std::make_unique_for_overwrite<char[]>(bytes.size());
        at = block.get();
        m_blocks.insert(m_blocks.empty() ? m_blocks.end() : m_blocks.end() - 1, std::move(block));
    } else {
        if (m_used + bytes.size() > kBlockSize) {
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
            m_used = 0;
        }
        at = m_blocks.back().get() + m_used;
        m_used += bytes.size();
    }
    std::memcpy(at, bytes.data(), bytes.size());
    m_kept += bytes.size();
    return {at, bytes.size()};
}

void ByteArena::clear()
{
    m_blocks.clear();
    m_used = kBlockSize;
    m_kept = 0;
}

} // namespace veralith::client::ldap

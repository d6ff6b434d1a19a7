#pragma once

// Bytes kept together in large blocks: one allocation per block instead of
// one per item, so that keeping (and dropping) the entries of a search of a
// hundred thousand objects costs little. The blocks are 2 MiB, in huge pages
// where the system offers them: filling them then takes a page fault per
// block rather than one per 4 KiB.

#include "client/memory/large_table.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace veralith::client::ldap {

class ByteArena
{
public:
    // Copies bytes in and returns a view of the copy, valid until clear().
    std::string_view Keep(std::string_view bytes);
    // Copies the parts in one after the other and returns a view of them
    // together, valid until clear().
    std::string_view Keep(std::initializer_list<std::string_view> parts);
    // Bytes kept.
    std::size_t size() const { return m_kept; }
    // Drops everything kept (every view becomes invalid).
    void clear();

private:
    // Room for size bytes (size > 0), counted as kept.
    char* Reserve(std::size_t size);

    static constexpr std::size_t kBlockSize = std::size_t(2) << 20;
    std::vector<memory::LargeBlock> m_blocks;
    std::size_t m_used = kBlockSize; // bytes used in the last block
    std::size_t m_kept = 0;
};

} // namespace veralith::client::ldap

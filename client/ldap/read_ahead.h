#pragma once

// The entries a search has read ahead of their names, in the order they
// came: each entry's DN and encoded attributes are copied into large blocks
// (one allocation per block, not two per entry, in huge pages where the
// system offers them), and a block is released as soon as its last entry is
// taken. An entry held here costs its bytes and a small record, so a search
// can read on far ahead of listings that run beside it.

#include "client/memory/large_table.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

namespace veralith::client::ldap {

class ReadAheadQueue
{
public:
    // Copies one entry in behind the others; step: the search step that
    // found it.
    void Push(std::string_view dn, std::string_view attributes, std::size_t step);
    bool empty() const { return m_records.empty(); }
    std::size_t Count() const { return m_records.size(); }
    // The first entry: its DN, attributes and step, valid until Pop().
    std::string_view FrontDn() const;
    std::string_view FrontAttributes() const;
    std::size_t FrontStep() const;
    // Drops the first entry (the queue must not be empty).
    void Pop();
    // Bytes held: the blocks allocated and the records.
    std::size_t Bytes() const;

private:
    static constexpr std::size_t kBlockSize = std::size_t(2) << 20;
    struct Record
    {
        const char* at;
        std::uint32_t dnSize;
        std::uint32_t attributesSize;
        std::uint64_t block; // sequence number of the block holding the bytes
        std::size_t step;
    };
    using Block = memory::LargeBlock;
    std::deque<Record> m_records;
    std::deque<Block> m_blocks; // m_blocks[i] has sequence number m_firstBlock + i
    // A block used up, kept for the next one needed: a search that reads on
    // ahead of its listings would otherwise map and fault in fresh memory for
    // every block.
    std::optional<Block> m_spare;
    std::uint64_t m_firstBlock = 0;
    std::size_t m_used = 0; // bytes used in the last block
    std::size_t m_blockBytes = 0; // bytes of all blocks
};

} // namespace veralith::client::ldap

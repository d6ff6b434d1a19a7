#include "client/ldap/read_ahead.h"

#include <cassert>
#include <cstring>

namespace veralith::client::ldap {

void ReadAheadQueue::Push(std::string_view dn, std::string_view attributes, std::size_t step)
{
    const std::size_t size = dn.size() + attributes.size();
    const bool fits = !m_blocks.empty() && m_used + size <= m_blocks.back().size();
    if (!fits) {
        // An entry larger than a block gets a block of its size; the rest
        // of the block it would not fit in is left unused.
        const std::size_t blockSize = size > kBlockSize ? size : kBlockSize;
        if (m_spare && blockSize == kBlockSize) {
            m_blocks.push_back(std::move(*m_spare));
            m_spare.reset();
        } else {
            m_blocks.emplace_back(blockSize);
        }
        m_blockBytes += blockSize;
        m_used = 0;
    }
    char* at = m_blocks.back().get() + m_used;
    if (!dn.empty()) {
        std::memcpy(at, dn.data(), dn.size());
    }
    if (!attributes.empty()) {
        std::memcpy(at + dn.size(), attributes.data(), attributes.size());
    }
    m_used += size;
    m_records.push_back(Record {at, static_cast<std::uint32_t>(dn.size()),
        static_cast<std::uint32_t>(attributes.size()), m_firstBlock + m_blocks.size() - 1, step});
}

std::string_view ReadAheadQueue::FrontDn() const
{
    const Record& record = m_records.front();
    return {record.at, record.dnSize};
}

std::string_view ReadAheadQueue::FrontAttributes() const
{
    const Record& record = m_records.front();
    return {record.at + record.dnSize, record.attributesSize};
}

std::size_t ReadAheadQueue::FrontStep() const
{
    return m_records.front().step;
}

void ReadAheadQueue::Pop()
{
    assert(!m_records.empty());
    m_records.pop_front();
    // The blocks before the one the next entry lies in are used up (all of
    // them when no entry is left); one of the usual size is kept as the spare
    // for the entries to come.
    const std::uint64_t keepFrom = m_records.empty() ? m_firstBlock + m_blocks.size() : m_records.front().block;
    while (m_firstBlock < keepFrom) {
        m_blockBytes -= m_blocks.front().size();
        if (!m_spare && m_blocks.front().size() == kBlockSize) {
            m_spare.emplace(std::move(m_blocks.front()));
        }
        m_blocks.pop_front();
        ++m_firstBlock;
    }
}

std::size_t ReadAheadQueue::Bytes() const
{
    return m_blockBytes + m_records.size() * sizeof(Record);
}

} // namespace veralith::client::ldap

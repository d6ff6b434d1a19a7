#include "app/row_order.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace veralith::app {

std::size_t RowOrder::ChunkOf(std::size_t row) const
{
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), row);
    return static_cast<std::size_t>(it - m_starts.begin()) - 1;
}

std::uint32_t RowOrder::at(std::size_t row) const
{
    if (row >= m_size) {
        throw std::out_of_range("row " + std::to_string(row) + " out of bounds (" + std::to_string(m_size) + " rows)");
    }
    const std::size_t chunk = ChunkOf(row);
    return m_chunks[chunk][row - m_starts[chunk]];
}

void RowOrder::insert(std::size_t row, std::uint32_t value)
{
    if (row > m_size) {
        throw std::out_of_range("row " + std::to_string(row) + " out of bounds (" + std::to_string(m_size) + " rows)");
    }
    if (m_chunks.empty()) {
        m_chunks.emplace_back();
        m_starts.push_back(0);
    }
    const std::size_t chunk = row == m_size ? m_chunks.size() - 1 : ChunkOf(row);
    std::vector<std::uint32_t>& entries = m_chunks[chunk];
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(row - m_starts[chunk]), value);
    ++m_size;
    for (std::size_t later = chunk + 1; later < m_starts.size(); ++later) {
        ++m_starts[later];
    }
    if (entries.size() > kMaxChunk) {
        const std::size_t half = entries.size() / 2;
        std::vector<std::uint32_t> tail(entries.begin() + static_cast<std::ptrdiff_t>(half), entries.end());
        const std::size_t tailStart = m_starts[chunk] + half;
        entries.resize(half);
        m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(chunk) + 1, std::move(tail));
        m_starts.insert(m_starts.begin() + static_cast<std::ptrdiff_t>(chunk) + 1, tailStart);
    }
}

void RowOrder::clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_starts.clear();
    m_starts.shrink_to_fit();
    m_size = 0;
}

std::vector<std::uint32_t> RowOrder::Flatten() const
{
    std::vector<std::uint32_t> values;
    values.reserve(m_size);
    ForEach([&values](std::uint32_t value) { values.push_back(value); });
    return values;
}

void RowOrder::Assign(const std::vector<std::uint32_t>& values)
{
    std::vector<std::vector<std::uint32_t>> chunks;
    std::vector<std::size_t> starts;
    constexpr std::size_t kFill = kMaxChunk / 2;
    for (std::size_t first = 0; first < values.size(); first += kFill) {
        const std::size_t last = std::min(values.size(), first + kFill);
        chunks.emplace_back(
            values.begin() + static_cast<std::ptrdiff_t>(first), values.begin() + static_cast<std::ptrdiff_t>(last));
        starts.push_back(first);
    }
    m_chunks = std::move(chunks);
    m_starts = std::move(starts);
    m_size = values.size();
}

} // namespace veralith::app

#pragma once

// The row order of a StringListModel: a sequence of 32-bit pool indexes that
// takes insertions anywhere cheaply. Rows are kept in chunks of a few hundred
// to a few thousand indexes, so inserting at a row moves at most one chunk's
// tail and the start rows of the later chunks, and reaching a row is a
// bisection over the chunks' start rows. Appending at the end is constant.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veralith::app {

class RowOrder
{
public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    // The index at row; row must be below size().
    std::uint32_t at(std::size_t row) const;

    // Inserts value before row (row == size() appends); row must not exceed size().
    void insert(std::size_t row, std::uint32_t value);

    void clear();

    // All indexes in row order, and the reverse: replace them all.
    std::vector<std::uint32_t> Flatten() const;
    void Assign(const std::vector<std::uint32_t>& values);

    // Calls f(value) for every row in order.
    template<typename F>
    void ForEach(F&& f) const
    {
        for (const std::vector<std::uint32_t>& chunk : m_chunks) {
            for (std::uint32_t value : chunk) {
                f(value);
            }
        }
    }

private:
    // Chunks are split in two when they grow beyond this.
    static constexpr std::size_t kMaxChunk = 2048;

    // The chunk holding row (row < size()).
    std::size_t ChunkOf(std::size_t row) const;

    std::vector<std::vector<std::uint32_t>> m_chunks;
    // The first row of each chunk.
    std::vector<std::size_t> m_starts;
    std::size_t m_size = 0;
};

} // namespace veralith::app

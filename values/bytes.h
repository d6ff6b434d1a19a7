#pragma once

// Bounded reading of a value's bytes. Every read names the offset it needs and
// fails (returns no value) when the bytes it would touch are not all inside the
// view, so a value shorter than its layout is detected instead of read past.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace veralith::values {

class ValueBytes
{
public:
    // A view of size bytes at data; data may be null only when size is 0.
    // The view does not own the bytes; they must outlive it.
    ValueBytes(const void* data, std::size_t size);

    const std::uint8_t* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

    // Little-endian numbers at a byte offset; empty when offset + width > Size().
    std::optional<std::uint8_t> U8(std::size_t offset) const;
    std::optional<std::uint16_t> U16(std::size_t offset) const;
    std::optional<std::uint32_t> U32(std::size_t offset) const;

    // The zero-terminated 8-bit text starting at offset (without its zero);
    // empty when offset is outside the view or no zero byte follows inside it.
    std::optional<std::string> Text(std::size_t offset) const;

    // The zero-terminated UTF-16LE text starting at offset, converted to UTF-8;
    // empty when offset is outside the view or no zero code unit (two zero bytes
    // at an even distance from offset) follows inside it.
    std::optional<std::string> WideText(std::size_t offset) const;

    // BytesToHex of count bytes from offset; empty when they are not all inside
    // the view or count is above 65535.
    std::optional<std::string> Hex(std::size_t offset, std::size_t count) const;

private:
    bool Holds(std::size_t offset, std::size_t count) const;

    const std::uint8_t* m_data;
    std::size_t m_size;
};

// Converts count UTF-16LE code units at data to UTF-8 (the program's 8-bit
// code page). An unpaired surrogate becomes U+FFFD. Reads exactly 2 * count
// bytes.
std::string WideToText(const std::uint8_t* data, std::size_t count);

} // namespace veralith::values

#include "values/bytes.h"

#include "client/text_codec.h"
#include "util/buffer.h"

#include <cstring>

namespace veralith::values {

ValueBytes::ValueBytes(const void* data, std::size_t size)
    : m_data(static_cast<const std::uint8_t*>(data))
    , m_size(data == nullptr ? 0 : size)
{ }

bool ValueBytes::Holds(std::size_t offset, std::size_t count) const
{
    return offset <= m_size && count <= m_size - offset;
}

std::optional<std::uint8_t> ValueBytes::U8(std::size_t offset) const
{
    if (!Holds(offset, 1)) {
        return std::nullopt;
    }
    return m_data[offset];
}

std::optional<std::uint16_t> ValueBytes::U16(std::size_t offset) const
{
    if (!Holds(offset, 2)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(m_data[offset] | (m_data[offset + 1] << 8));
}

std::optional<std::uint32_t> ValueBytes::U32(std::size_t offset) const
{
    if (!Holds(offset, 4)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(m_data[offset]) | (static_cast<std::uint32_t>(m_data[offset + 1]) << 8) |
        (static_cast<std::uint32_t>(m_data[offset + 2]) << 16) | (static_cast<std::uint32_t>(m_data[offset + 3]) << 24);
}

std::optional<std::string> ValueBytes::Text(std::size_t offset) const
{
    if (offset >= m_size) {
        return std::nullopt;
    }
    const void* end = std::memchr(m_data + offset, 0, m_size - offset);
    if (end == nullptr) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(m_data + offset), static_cast<const char*>(end));
}

std::optional<std::string> ValueBytes::WideText(std::size_t offset) const
{
    if (offset >= m_size) {
        return std::nullopt;
    }
    const std::size_t units = (m_size - offset) / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::size_t at = offset + 2 * i;
        if (m_data[at] == 0 && m_data[at + 1] == 0) {
            return WideToText(m_data + offset, i);
        }
    }
    return std::nullopt;
}

std::optional<std::string> ValueBytes::Hex(std::size_t offset, std::size_t count) const
{
    if (!Holds(offset, count) || count > 0xFFFF) {
        return std::nullopt;
    }
    return util::BytesToHex(m_data + offset, static_cast<std::uint16_t>(count));
}

std::string WideToText(const std::uint8_t* data, std::size_t count)
{
    constexpr std::uint32_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(count);
    auto unitAt = [data](std::size_t i) { return static_cast<std::uint32_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 < count) {
                const std::uint32_t low = unitAt(i + 1);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    client::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
            client::AppendUtf8(out, kReplacement);
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            client::AppendUtf8(out, kReplacement);
        } else {
            client::AppendUtf8(out, unit);
        }
    }
    return out;
}

} // namespace veralith::values

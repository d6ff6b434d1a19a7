#include "values/value_block.h"

#include "util/format.h"
#include "values/errors.h"

namespace veralith::values::detail {

using util::Format;

ValueBlock::ValueBlock(const void* data, std::size_t size, std::uint32_t syntaxId)
    : m_data(static_cast<const std::uint8_t*>(data))
    , m_size(data == nullptr ? 0 : size)
    , m_syntaxId(syntaxId)
{ }

void ValueBlock::Fail(const std::string& what) const
{
    throw ValueError(Format("value of syntax %u (%u bytes): %s", m_syntaxId, static_cast<std::uint64_t>(m_size), what));
}

void ValueBlock::RequireSize(std::size_t size) const
{
    if (m_size < size) {
        Fail(Format("shorter than the %u bytes its layout reads", static_cast<std::uint64_t>(size)));
    }
}

void ValueBlock::RequireInside(const void* pointer, std::size_t length, std::string_view what) const
{
    // Compare addresses as integers: the pointer may come from anywhere.
    const auto begin = reinterpret_cast<std::uintptr_t>(m_data);
    const auto at = reinterpret_cast<std::uintptr_t>(pointer);
    if (pointer == nullptr || at < begin || at - begin > m_size || length > m_size - (at - begin)) {
        Fail(Format("%s lies outside the value", std::string(what)));
    }
}

std::string ValueBlock::Text(const char* pointer, std::string_view what) const
{
    if (pointer == nullptr) {
        return {};
    }
    RequireInside(pointer, 1, what);
    const std::size_t offset = reinterpret_cast<std::uintptr_t>(pointer) - reinterpret_cast<std::uintptr_t>(m_data);
    const void* end = std::memchr(m_data + offset, 0, m_size - offset);
    if (end == nullptr) {
        Fail(Format("%s has no terminating zero inside the value", std::string(what)));
    }
    return std::string(pointer, static_cast<const char*>(end));
}

std::string ValueBlock::WholeText() const
{
    const auto* bytes = reinterpret_cast<const char*>(m_data);
    if (m_size == 0 || bytes[m_size - 1] != '\0') {
        Fail("text has no terminating zero inside the value");
    }
    const std::string_view whole(bytes, m_size - 1);
    std::string text;
    text.reserve(whole.size());
    for (const char c : whole) {
        if (c == '\0') {
            text += "\\0";
        } else {
            text += c;
        }
    }
    return text;
}

ValueBytes ValueBlock::Bytes(const std::uint8_t* pointer, std::size_t length, std::string_view what) const
{
    if (pointer == nullptr && length == 0) {
        return ValueBytes(nullptr, 0);
    }
    RequireInside(pointer, length, what);
    return ValueBytes(pointer, length);
}

} // namespace veralith::values::detail

#pragma once

// Internal to the octet-string renderers: field reads that abandon a record
// layout (ShortLayout) as soon as a field is not inside the value, so the
// caller can fall back to the hexadecimal form.

#include "values/bytes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veralith::values::detail {

// Raised by OctetLayout when a field lies outside the value or a text has no
// terminating zero inside it. Never leaves FormatOctetValue.
struct ShortLayout
{
};

class OctetLayout
{
public:
    // attrName is the attribute as the caller wrote it, for error messages.
    OctetLayout(const ValueBytes& bytes, std::string_view attrName)
        : m_bytes(bytes)
        , m_name(attrName)
    { }

    const std::string& Name() const { return m_name; }

    std::size_t Size() const { return m_bytes.Size(); }
    const ValueBytes& Bytes() const { return m_bytes; }

    // A 32-bit field as the signed integer the formats show with "%d".
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(Need(m_bytes.U32(offset))); }
    std::uint32_t U32(std::size_t offset) const { return Need(m_bytes.U32(offset)); }
    int U16(std::size_t offset) const { return Need(m_bytes.U16(offset)); }
    int U8(std::size_t offset) const { return Need(m_bytes.U8(offset)); }
    std::string Text(std::size_t offset) const { return Need(m_bytes.Text(offset)); }
    std::string Wide(std::size_t offset) const { return Need(m_bytes.WideText(offset)); }
    std::string Hex(std::size_t offset, std::size_t count) const { return Need(m_bytes.Hex(offset, count)); }

private:
    template<typename T>
    static T Need(std::optional<T> value)
    {
        if (!value) {
            throw ShortLayout {};
        }
        return *std::move(value);
    }

    const ValueBytes& m_bytes;
    std::string m_name;
};

// "Partition Status" and "Printer Configuration", which take more than one
// format string.
std::string PartitionStatusText(const OctetLayout& layout, std::int32_t valueIndex);
std::string PrinterConfigurationText(const OctetLayout& layout);

} // namespace veralith::values::detail

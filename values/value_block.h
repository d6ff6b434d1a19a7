#pragma once

// Internal to the formatter: reading a value's structs, texts and byte runs
// with every pointer checked against the value's own storage.

#include "values/bytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace veralith::values::detail {

class ValueBlock
{
public:
    // size bytes at data, holding a value of the syntax (named in errors).
    ValueBlock(const void* data, std::size_t size, std::uint32_t syntaxId);

    std::size_t Size() const { return m_size; }

    // A copy of the struct at the start of the value. Throws ValueError when
    // the value is shorter than the struct.
    template<typename T>
    T Head() const
    {
        RequireSize(sizeof(T));
        T copy;
        std::memcpy(&copy, m_data, sizeof(T));
        return copy;
    }

    // A copy of the struct that pointer (a list's next node) points at. Throws
    // ValueError when it is not wholly inside the value.
    template<typename T>
    T At(const T* pointer, std::string_view what) const
    {
        RequireInside(pointer, sizeof(T), what);
        T copy;
        std::memcpy(&copy, pointer, sizeof(T));
        return copy;
    }

    // The zero-terminated text a field points at; null gives an empty text.
    // Throws ValueError when it starts outside the value or its zero is not
    // inside it.
    std::string Text(const char* pointer, std::string_view what) const;

    // The whole value as a text: every byte before the zero that ends the
    // value, a zero byte inside the text shown as the two characters "\0"
    // (a text is never cut short at a zero it holds). Throws ValueError when
    // no zero byte ends the value.
    std::string WholeText() const;

    // A view of length bytes at pointer. Throws ValueError when they are not
    // all inside the value (null is accepted for length 0).
    ValueBytes Bytes(const std::uint8_t* pointer, std::size_t length, std::string_view what) const;

    // Throws ValueError when the value is shorter than size bytes.
    void RequireSize(std::size_t size) const;

    // The most nodes a list of nodes of that size can have inside the value;
    // a chain longer than that loops.
    std::size_t MaxNodes(std::size_t nodeSize) const { return m_size / nodeSize; }

    [[noreturn]] void Fail(const std::string& what) const;

private:
    void RequireInside(const void* pointer, std::size_t length, std::string_view what) const;

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::uint32_t m_syntaxId;
};

} // namespace veralith::values::detail

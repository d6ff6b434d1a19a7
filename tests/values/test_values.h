#pragma once

// Builders for value bytes and value structs in tests.

#include "platform/timezone.h"
#include "values/format.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::values::test {

// A zero-filled byte record with little-endian fields written at offsets.
class Record
{
public:
    explicit Record(std::size_t size)
        : m_bytes(size, 0)
    { }

    Record& U8(std::size_t at, std::uint8_t v)
    {
        m_bytes.at(at) = v;
        return *this;
    }
    Record& U16(std::size_t at, std::uint16_t v)
    {
        U8(at, v & 0xFF);
        return U8(at + 1, v >> 8);
    }
    Record& U32(std::size_t at, std::uint32_t v)
    {
        U16(at, v & 0xFFFF);
        return U16(at + 2, v >> 16);
    }
    // The characters and their zero.
    Record& Text(std::size_t at, std::string_view s)
    {
        for (std::size_t i = 0; i < s.size(); ++i) {
            U8(at + i, static_cast<std::uint8_t>(s[i]));
        }
        return U8(at + s.size(), 0);
    }
    // ASCII characters as UTF-16LE and the zero unit.
    Record& Wide(std::size_t at, std::string_view s)
    {
        for (std::size_t i = 0; i < s.size(); ++i) {
            U16(at + 2 * i, static_cast<std::uint8_t>(s[i]));
        }
        return U16(at + 2 * s.size(), 0);
    }
    Record& Bytes(std::size_t at, std::initializer_list<std::uint8_t> bytes)
    {
        for (std::uint8_t b : bytes) {
            U8(at++, b);
        }
        return *this;
    }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    client::OctetStringValue Octets() const
    {
        return {static_cast<std::uint32_t>(m_bytes.size()), m_bytes.empty() ? nullptr : m_bytes.data()};
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

// One value as DirGetAttrValue lays it out: a struct at the start of a heap
// block, then the texts and bytes its pointers refer to. Give the capacity
// the value needs exactly, so that AddressSanitizer reports any read past it
// (MeasureValue finds it by building the value once in a large store).
class ValueStore
{
public:
    explicit ValueStore(std::size_t capacity = 8192)
        : m_block(new std::uint8_t[capacity == 0 ? 1 : capacity]())
        , m_capacity(capacity)
    { }
    ValueStore(const ValueStore&) = delete;
    ValueStore& operator=(const ValueStore&) = delete;

    // Copies v at the next position aligned for T; returns where it lives.
    template<typename T>
    T* Put(const T& v)
    {
        m_used = (m_used + alignof(T) - 1) / alignof(T) * alignof(T);
        T* at = reinterpret_cast<T*>(Reserve(sizeof(T)));
        std::memcpy(static_cast<void*>(at), &v, sizeof(T));
        return at;
    }
    const char* Text(std::string_view s)
    {
        char* at = reinterpret_cast<char*>(Reserve(s.size() + 1));
        std::memcpy(at, s.data(), s.size());
        at[s.size()] = 0;
        return at;
    }
    const std::uint8_t* Bytes(const std::vector<std::uint8_t>& bytes)
    {
        std::uint8_t* at = Reserve(bytes.size());
        if (!bytes.empty()) {
            std::memcpy(at, bytes.data(), bytes.size());
        }
        return at;
    }
    const void* data() const { return m_block.get(); }
    std::size_t size() const { return m_used; }
    // The most bytes ever written (more than size() after Truncate).
    std::size_t HighWater() const { return m_highWater; }
    // Cuts the value to fewer bytes than were written.
    void Truncate(std::size_t size) { m_used = size; }
    AttributeValueInfo Info(std::uint32_t syntaxId) const { return {static_cast<std::int32_t>(m_used), syntaxId}; }

private:
    std::uint8_t* Reserve(std::size_t count)
    {
        if (m_used + count > m_capacity) {
            std::abort(); // a test builds a larger value than it measured
        }
        std::uint8_t* at = m_block.get() + m_used;
        m_used += count;
        m_highWater = std::max(m_highWater, m_used);
        return at;
    }

    std::unique_ptr<std::uint8_t[]> m_block;
    std::size_t m_capacity;
    std::size_t m_used = 0;
    std::size_t m_highWater = 0;
};

// Sets TZ for the lifetime of the guard and puts the previous zone back.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            m_previous = old;
        }
        ::setenv("TZ", zone, 1);
        platform::ApplyTimeZoneChange();
    }
    ~ScopedTimeZone()
    {
        if (m_previous) {
            ::setenv("TZ", m_previous->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        platform::ApplyTimeZoneChange();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_previous;
};

} // namespace veralith::values::test

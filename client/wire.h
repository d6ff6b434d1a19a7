#pragma once

// The wire encoding of attribute values: how a DirectoryService hands values
// to the client and how the client carries them inside reply buffers. All
// numbers are little-endian; "bytes" is a 32-bit length and that many bytes;
// "rest" is every byte up to the end of the value.
//
//   1-5, 10, 20      text (rest)           names: full typeless dotted name
//   6, 13            u32 count, count x bytes
//   7                u8
//   8, 22, 24, 27    u32
//   9, 21, ids > 27  raw bytes (rest)
//   0                u32 number, raw bytes (rest)
//   11               bytes number, u32 bitCount, parameters (rest)
//   12               u32 type, address (rest)
//   14               u32 type, address text (rest)
//   15               u32 nameSpace, bytes volume (a name), path (rest)
//   16               bytes server (a name), u32 type, u32 number, u32 count,
//                    count x (u32 type, bytes address)
//   17               bytes attribute, bytes subject (a name), u32 rights
//   18               u32 count (at most 6), count x bytes
//   19               u32 seconds, u16 replica, u16 event
//   23               u32 remoteId, name (rest)
//   25               u32 level, u32 interval, name (rest)
//   26               u32 amount, name (rest)

#include "client/client.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace veralith::client {

class WireWriter
{
public:
    void U8(std::uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v)
    {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    // A 32-bit length, then the bytes.
    void Bytes(std::string_view data)
    {
        U32(static_cast<std::uint32_t>(data.size()));
        m_out.append(data);
    }
    // The bytes alone (the "rest" of a value).
    void Raw(std::string_view data) { m_out.append(data); }
    std::string Take() { return std::move(m_out); }
    const std::string& Text() const { return m_out; }

private:
    std::string m_out;
};

// Reads a wire value without ever reading past its end: every read returns
// false (and leaves the cursor) when the value is too short.
class WireReader
{
public:
    explicit WireReader(std::string_view data)
        : m_data(data)
    { }
    bool U8(std::uint8_t* v);
    bool U16(std::uint16_t* v);
    bool U32(std::uint32_t* v);
    bool Bytes(std::string_view* v);
    // Everything left; always succeeds.
    std::string_view Rest();
    bool AtEnd() const { return m_pos == m_data.size(); }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
};

// True when value is a well-formed wire value of the syntax.
bool IsValidWireValue(std::uint32_t syntaxId, std::string_view value);

// Copies a wire value with every name inside it replaced by rename(name):
// syntax 1, the volume of 15, the server of 16, the subject of 17 and the names
// of 23, 25 and 26. Returns false for a malformed value.
bool RewriteWireNames(std::uint32_t syntaxId, std::string_view value,
    const std::function<std::string(std::string_view)>& rename, std::string* out);

// Size of a value as DirGetAttrValue writes it (values.h layouts), or
// ERR_SYSTEM_FAILURE for a malformed wire value.
DirResult ComputeLayoutSize(
    std::uint32_t syntaxId, std::string_view attrName, std::string_view value, std::size_t* size);
// Writes the layout into storage (exactly the size ComputeLayoutSize gave).
DirResult WriteLayout(std::uint32_t syntaxId, std::string_view attrName, std::string_view value, void* storage);

} // namespace veralith::client

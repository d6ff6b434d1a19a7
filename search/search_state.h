#pragma once

// The state of one search: what the filter translation and the result naming
// reach while a search runs. SearchObjects owns one for the length of a call;
// tests of the filter translation build one of their own.

#include "client/client.h"
#include "client/scoped.h"
#include "directory/listing.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <variant>
#include <vector>

namespace veralith::search {

// Size of the name buffer DirGetObjectName writes into (the client writes at
// most client::kNameBufferSize bytes; the buffer is kept larger).
inline constexpr std::size_t kSearchNameBufferSize = 514;

// The value handed with one filter token: a NUL-terminated text, a 32-bit
// integer (booleans and numbers) or an 8-byte time stamp.
class FilterTokenValue
{
public:
    explicit FilterTokenValue(std::string text)
        : m_value(std::move(text))
    { }
    explicit FilterTokenValue(std::int32_t number)
        : m_value(number)
    { }
    explicit FilterTokenValue(client::DirTimeStamp stamp)
        : m_value(stamp)
    { }

    // The address DirAddFilterToken is given: the text's first character (the
    // text is NUL-terminated), the integer, or the time stamp.
    const void* data() const
    {
        if (const auto* text = std::get_if<std::string>(&m_value)) {
            return text->c_str();
        }
        if (const auto* number = std::get_if<std::int32_t>(&m_value)) {
            return number;
        }
        return &std::get<client::DirTimeStamp>(m_value);
    }

private:
    std::variant<std::string, std::int32_t, client::DirTimeStamp> m_value;
};

struct SearchState
{
    // The current result. The search fills iteration, name, attrCount, info,
    // context (the search's context, also the one the filter translation asks
    // for syntax ids) and displayText; the other fields stay as constructed.
    directory::TNDSObj current;

    // Request buffer (prepared for DSV_SEARCH_FILTER) and reply buffer,
    // client::kSmallBufferSize bytes each.
    client::ScopedBuffer filterBuffer;
    client::ScopedBuffer replyBuffer;

    // The filter cursor slot: empty until the first non-empty filter item
    // allocates it. Freed on destruction unless DirPutFilter has taken it over
    // (ScopedFilter::release).
    client::ScopedFilter cursor;

    // Storage of every token value handed to the client, one entry per token,
    // never reused between tokens, kept until the state goes (so a value stays
    // valid until the cursor has been written or freed, whether or not the
    // client copies it).
    std::deque<FilterTokenValue> tokenValues;

    // Where DirGetObjectName writes the object name (NUL-terminated).
    std::array<char, kSearchNameBufferSize> nameBuffer {};

    // The lines of the split filter text.
    std::vector<std::string> filterLines;

    // Handed to DirSearch; all zero unless the filter holds a time comparison,
    // in which case it holds the last one translated.
    client::DirTimeStamp timeStamp {};

    // The naming template of the search (never empty while a search runs).
    std::string nameTemplate = "#NAME#";

    // 1-based position of the object name in current.displayText, 0 when the
    // template holds no "#NAME#"; written by ExpandResultName.
    std::int32_t namePosition = 0;

    SearchState() = default;
    SearchState(const SearchState&) = delete;
    SearchState& operator=(const SearchState&) = delete;
};

} // namespace veralith::search

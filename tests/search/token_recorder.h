#pragma once

// Records every DirAddFilterToken call the client receives, through the
// client's filter-token observer, and builds the expected records tests
// compare them with.

#include "client/client.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace veralith::search::test {

// Installs itself as the token observer for its lifetime.
class TokenRecorder
{
public:
    TokenRecorder()
    {
        m_previous = client::SetFilterTokenObserver([this](const client::FilterTokenRecord& record) {
            client::FilterTokenRecord copy = record;
            // A text value may arrive with its terminating NUL; compare texts without it.
            if (copy.hasValue && !copy.value.empty() && copy.value.back() == '\0' && IsTextToken(copy)) {
                copy.value.pop_back();
            }
            m_tokens.push_back(copy);
        });
    }
    ~TokenRecorder() { client::SetFilterTokenObserver(std::move(m_previous)); }
    TokenRecorder(const TokenRecorder&) = delete;
    TokenRecorder& operator=(const TokenRecorder&) = delete;

    const std::vector<client::FilterTokenRecord>& Tokens() const { return m_tokens; }
    void clear() { m_tokens.clear(); }

    // Attribute names, and values of the text syntaxes.
    static bool IsTextToken(const client::FilterTokenRecord& record)
    {
        const std::uint32_t id = record.syntaxId;
        return record.token == client::FTOK_ANAME || (id >= 1 && id <= 5) || id == 20 || id == 25;
    }

private:
    std::vector<client::FilterTokenRecord> m_tokens;
    client::FilterTokenObserver m_previous;
};

// A token without value (syntax id 0 unless given).
inline client::FilterTokenRecord Tok(std::uint32_t token, std::uint32_t syntaxId = 0)
{
    client::FilterTokenRecord record;
    record.token = token;
    record.syntaxId = syntaxId;
    return record;
}

// A token with a text value.
inline client::FilterTokenRecord TextTok(std::uint32_t token, const std::string& text, std::uint32_t syntaxId)
{
    client::FilterTokenRecord record = Tok(token, syntaxId);
    record.hasValue = true;
    record.value = text;
    return record;
}

// A token with a 32-bit integer value.
inline client::FilterTokenRecord IntTok(std::uint32_t token, std::int32_t number, std::uint32_t syntaxId)
{
    client::FilterTokenRecord record = Tok(token, syntaxId);
    record.hasValue = true;
    record.value.assign(reinterpret_cast<const char*>(&number), sizeof number);
    return record;
}

// A token with an 8-byte time stamp (seconds, then two zero 16-bit fields).
inline client::FilterTokenRecord StampTok(std::uint32_t token, std::uint32_t seconds, std::uint32_t syntaxId)
{
    client::DirTimeStamp stamp {};
    stamp.wholeSeconds = seconds;
    client::FilterTokenRecord record = Tok(token, syntaxId);
    record.hasValue = true;
    record.value.assign(reinterpret_cast<const char*>(&stamp), sizeof stamp);
    return record;
}

} // namespace veralith::search::test

namespace veralith::client {

inline bool operator==(const FilterTokenRecord& a, const FilterTokenRecord& b)
{
    return a.token == b.token && a.hasValue == b.hasValue && a.value == b.value && a.syntaxId == b.syntaxId;
}

inline void PrintTo(const FilterTokenRecord& record, std::ostream* out)
{
    *out << "{" << record.token;
    if (record.hasValue) {
        *out << ", ";
        if (search::test::TokenRecorder::IsTextToken(record)) {
            *out << '"' << record.value << '"';
        } else if (record.value.size() == 4) {
            std::int32_t number = 0;
            std::memcpy(&number, record.value.data(), 4);
            *out << "int " << number;
        } else if (record.value.size() == 8) {
            std::uint32_t seconds = 0;
            std::memcpy(&seconds, record.value.data(), 4);
            *out << "stamp " << seconds << (record.value.substr(4) == std::string(4, '\0') ? "" : " +nonzero");
        } else {
            *out << record.value.size() << " bytes";
        }
    }
    *out << ", syn " << record.syntaxId << "}";
}

} // namespace veralith::client

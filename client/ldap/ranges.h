#pragma once

// Ranged values: a server that hands out the values of a large attribute a
// range at a time ("member;range=0-1499" in an entry, then
// "member;range=1500-2999" and finally "member;range=3000-*" when asked for
// "member;range=1500-*" and so on) has all of them fetched, and the entry
// carries them under the attribute's own description ("member").

#include "client/client.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace veralith::client::ldap {

// One range of values as an attribute description names it.
struct ValueRange
{
    std::string attribute; // the description without its range option ("member", "member;binary")
    std::uint32_t low = 0;
    std::uint32_t high = 0; // meaningless when last
    bool last = false; // the range ends with "*": no values follow
};

// Parses the range option of an attribute description (ignoring letter case,
// wherever it stands among the options). False for a description without
// one, or with one that is not "range=LOW-HIGH" or "range=LOW-*" with
// LOW <= HIGH.
bool ParseValueRange(std::string_view description, ValueRange* range);

// True when an encoded attribute list (client/ldap/ber.h) holds a ranged
// attribute.
bool HasRangedValues(std::string_view encoded);

// Asks the server for the attribute description request ("member;range=1500-*")
// of the entry at hand; writes the encoded attribute list of the reply.
using FetchRange = std::function<DirResult(const std::string& request, std::string* encoded)>;

// Rewrites the encoded attribute list *encoded so that each ranged attribute
// carries all its values, in the server's order, under its description
// without the range; further ranges come from fetch, each asked from where
// the previous one ended. A reply without the next range ends the values
// there (a server does so when the previous range held the last value). A
// reply whose range does not start where it was asked is ERR_SYSTEM_FAILURE;
// fetch's failure code is returned as it came. *encoded is changed only on
// success.
DirResult CompleteRangedValues(std::string* encoded, const FetchRange& fetch);

} // namespace veralith::client::ldap

#include "client/ldap/ranges.h"

#include "client/ldap/ber.h"
#include "client/schema.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace veralith::client::ldap {

namespace {

bool ParseNumber(std::string_view text, std::uint32_t* number)
{
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, *number);
    return !text.empty() && error == std::errc() && at == end;
}

// The encoded attribute (SEQUENCE { type, SET OF value }) of a description
// and the contents of its values.
void AppendAttribute(std::string* out, std::string_view description, std::string_view values)
{
    std::string content;
    AppendBerElement(&content, kBerOctetString, description);
    AppendBerElement(&content, kBerSet, values);
    AppendBerElement(out, kBerSequence, content);
}

// The values (encoded) of the next range of attribute in a reply, and the range.
bool FindRange(std::string_view encoded, const std::string& attribute, ValueRange* range, std::string_view* values)
{
    AttributeReader reader(encoded);
    for (RawAttribute raw; reader.Next(&raw);) {
        ValueRange found;
        if (ParseValueRange(raw.type, &found) && SameTextIgnoreCase(found.attribute, attribute)) {
            *range = std::move(found);
            *values = raw.values;
            return true;
        }
    }
    return false;
}

} // namespace

bool ParseValueRange(std::string_view description, ValueRange* range)
{
    // Most descriptions have no option at all: only the options are compared.
    constexpr std::string_view kOption = ";range=";
    std::size_t at = std::string_view::npos;
    for (std::size_t i = description.find(';'); i != std::string_view::npos; i = description.find(';', i + 1)) {
        if (SameTextIgnoreCase(description.substr(i, kOption.size()), kOption)) {
            at = i;
            break;
        }
    }
    if (at == std::string_view::npos || at == 0) {
        return false;
    }
    const std::size_t start = at + kOption.size();
    const std::size_t end = std::min(description.find(';', start), description.size());
    const std::string_view bounds = description.substr(start, end - start);
    const std::size_t dash = bounds.find('-');
    if (dash == std::string_view::npos) {
        return false;
    }
    ValueRange parsed;
    if (!ParseNumber(bounds.substr(0, dash), &parsed.low)) {
        return false;
    }
    const std::string_view high = bounds.substr(dash + 1);
    if (high == "*") {
        parsed.last = true;
    } else if (!ParseNumber(high, &parsed.high) || parsed.high < parsed.low) {
        return false;
    }
    parsed.attribute = std::string(description.substr(0, at)) + std::string(description.substr(end));
    *range = std::move(parsed);
    return true;
}

bool HasRangedValues(std::string_view encoded)
{
    AttributeReader reader(encoded);
    ValueRange range;
    for (RawAttribute raw; reader.Next(&raw);) {
        if (ParseValueRange(raw.type, &range)) {
            return true;
        }
    }
    return false;
}

DirResult CompleteRangedValues(std::string* encoded, const FetchRange& fetch)
{
    std::string rewritten;
    AttributeReader reader(*encoded);
    for (RawAttribute raw; reader.Next(&raw);) {
        ValueRange range;
        if (!ParseValueRange(raw.type, &range)) {
            AppendAttribute(&rewritten, raw.type, raw.values);
            continue;
        }
        std::string values(raw.values);
        while (!range.last) {
            const std::uint32_t from = range.high + 1;
            if (from == 0) {
                return ERR_SYSTEM_FAILURE; // the range cannot go on past the largest number
            }
            std::string reply;
            if (const DirResult rc = fetch(range.attribute + ";range=" + std::to_string(from) + "-*", &reply);
                rc != 0) {
                return rc;
            }
            ValueRange next;
            std::string_view more;
            if (!FindRange(reply, range.attribute, &next, &more)) {
                break;
            }
            if (next.low != from) {
                return ERR_SYSTEM_FAILURE;
            }
            values += more;
            range = std::move(next);
        }
        AppendAttribute(&rewritten, range.attribute, values);
    }
    *encoded = std::move(rewritten);
    return 0;
}

} // namespace veralith::client::ldap

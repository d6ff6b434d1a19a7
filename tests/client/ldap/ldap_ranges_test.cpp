// Ranged values, time-out options and the texts of server limits, without a
// server: the range logic runs against a stand-in that hands out the values
// of one attribute a range at a time, as a directory with a page limit on
// values does.

#include "client/ldap/ber.h"
#include "client/ldap/connection.h"
#include "client/ldap/ranges.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ldap.h>
#include <map>

namespace veralith::client::ldap {
namespace {

std::string EncodeAttribute(const std::string& description, const std::vector<std::string>& values)
{
    std::string set;
    for (const std::string& value : values) {
        AppendBerElement(&set, kBerOctetString, value);
    }
    std::string content;
    AppendBerElement(&content, kBerOctetString, description);
    AppendBerElement(&content, kBerSet, set);
    std::string attribute;
    AppendBerElement(&attribute, kBerSequence, content);
    return attribute;
}

// The attributes of an encoded list: description -> values.
std::map<std::string, std::vector<std::string>> Decode(const std::string& encoded)
{
    std::map<std::string, std::vector<std::string>> decoded;
    AttributeReader reader(encoded);
    for (RawAttribute raw; reader.Next(&raw);) {
        std::vector<std::string>& values = decoded[std::string(raw.type)];
        ValueReader valueReader(raw.values);
        for (std::string_view value; valueReader.Next(&value);) {
            values.emplace_back(value);
        }
    }
    return decoded;
}

std::vector<std::string> Numbered(const std::string& prefix, std::size_t count)
{
    std::vector<std::string> values;
    for (std::size_t i = 0; i < count; ++i) {
        values.push_back(prefix + std::to_string(i));
    }
    return values;
}

// Hands out the values of attributes at most pageSize at a time, the way a
// server with a value page limit names them: "member;range=0-2", and the
// last range "member;range=3-*". With unmarkedEnd, a list that ends at a
// range's end is not marked with "*"; a request past the end then gets an
// empty final range (emptyLastRange) or no range at all.
struct RangeServer
{
    std::map<std::string, std::vector<std::string>> attributes;
    std::size_t pageSize = 3;
    bool unmarkedEnd = false;
    bool emptyLastRange = false;
    int shift = 0; // added to each range's start: a broken server
    std::vector<std::string> requests;

    std::string RangeOf(const std::string& name, std::size_t low) const
    {
        const std::vector<std::string>& all = attributes.at(name);
        if (low >= all.size()) {
            return emptyLastRange ? EncodeAttribute(name + ";range=" + std::to_string(low) + "-*", {}) : std::string();
        }
        const std::size_t end = std::min(all.size(), low + pageSize);
        const bool last = end == all.size() && !(unmarkedEnd && end % pageSize == 0);
        const std::string description = name + ";range=" + std::to_string(low + static_cast<std::size_t>(shift)) + "-" +
            (last ? std::string("*") : std::to_string(end - 1));
        return EncodeAttribute(description,
            std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(low, end)),
                all.begin() + static_cast<std::ptrdiff_t>(end)));
    }

    // The entry as a search delivers it first, with a plain attribute too.
    std::string Entry() const
    {
        std::string encoded = EncodeAttribute("cn", {"Group"});
        for (const auto& [name, values] : attributes) {
            encoded += values.size() > pageSize ? RangeOf(name, 0) : EncodeAttribute(name, values);
        }
        return encoded;
    }

    FetchRange Fetch()
    {
        return [this](const std::string& request, std::string* encoded) {
            requests.push_back(request);
            ValueRange range;
            if (!ParseValueRange(request, &range) || !range.last) {
                ADD_FAILURE() << "unexpected request " << request;
                return ERR_SYSTEM_FAILURE;
            }
            *encoded = RangeOf(range.attribute, range.low);
            return DirResult(0);
        };
    }
};

TEST(LdapRanges, RangeOptionsParse)
{
    const struct
    {
        const char* description;
        bool parses;
        const char* attribute;
        std::uint32_t low;
        std::uint32_t high;
        bool last;
    } kCases[] = {
        {"member;range=0-1499", true, "member", 0, 1499, false},
        {"member;range=1500-*", true, "member", 1500, 0, true},
        {"member;RANGE=3-3", true, "member", 3, 3, false},
        {"member;binary;range=0-9", true, "member;binary", 0, 9, false},
        {"member;range=0-9;binary", true, "member;binary", 0, 9, false},
        {"member", false, "", 0, 0, false},
        {";range=0-9", false, "", 0, 0, false},
        {"member;range=9-0", false, "", 0, 0, false},
        {"member;range=0", false, "", 0, 0, false},
        {"member;range=-5", false, "", 0, 0, false},
        {"member;range=a-*", false, "", 0, 0, false},
        {"member;range=0-99999999999", false, "", 0, 0, false},
        {"member;ranges=0-9", false, "", 0, 0, false},
    };
    for (const auto& row : kCases) {
        ValueRange range;
        ASSERT_EQ(ParseValueRange(row.description, &range), row.parses) << row.description;
        if (row.parses) {
            EXPECT_EQ(range.attribute, row.attribute) << row.description;
            EXPECT_EQ(range.low, row.low) << row.description;
            EXPECT_EQ(range.last, row.last) << row.description;
            if (!row.last) {
                EXPECT_EQ(range.high, row.high) << row.description;
            }
        }
    }
}

// Every value arrives once, in order, under the plain description, with one
// request per further range; the other attributes are left as they were.
TEST(LdapRanges, RangedValuesAreFetchedToTheEnd)
{
    const struct
    {
        std::size_t members;
        std::size_t pageSize;
        bool unmarkedEnd;
        bool emptyLastRange;
        std::size_t requests;
    } kCases[] = {
        {10, 3, false, false, 3}, // 0-2, then 3-5, 6-8, 9-*
        {9, 3, false, false, 2}, // 0-2, then 3-5, 6-*
        {9, 3, true, false, 3}, // 6-8 unmarked: the request for 9-* finds nothing
        {9, 3, true, true, 3}, // ... or an empty last range
        {4, 3, false, false, 1},
        {3, 3, false, false, 0}, // fits: no range at all
        {1500 * 3 + 1, 1500, false, false, 3},
    };
    for (const auto& row : kCases) {
        RangeServer server;
        server.attributes["member"] = Numbered("cn=user", row.members);
        server.pageSize = row.pageSize;
        server.unmarkedEnd = row.unmarkedEnd;
        server.emptyLastRange = row.emptyLastRange;
        std::string encoded = server.Entry();
        EXPECT_EQ(HasRangedValues(encoded), row.members > row.pageSize);
        ASSERT_EQ(CompleteRangedValues(&encoded, server.Fetch()), 0) << row.members;
        const auto decoded = Decode(encoded);
        EXPECT_EQ(decoded.at("member"), server.attributes["member"]) << row.members;
        EXPECT_EQ(decoded.at("cn"), std::vector<std::string>({"Group"}));
        EXPECT_EQ(decoded.size(), 2u);
        EXPECT_EQ(server.requests.size(), row.requests) << row.members;
        EXPECT_FALSE(HasRangedValues(encoded));
    }
}

TEST(LdapRanges, TwoRangedAttributesAreEachCompleted)
{
    RangeServer server;
    server.attributes["member"] = Numbered("m", 7);
    server.attributes["memberOf"] = Numbered("g", 5);
    std::string encoded = server.Entry();
    ASSERT_EQ(CompleteRangedValues(&encoded, server.Fetch()), 0);
    const auto decoded = Decode(encoded);
    EXPECT_EQ(decoded.at("member"), server.attributes["member"]);
    EXPECT_EQ(decoded.at("memberOf"), server.attributes["memberOf"]);
    EXPECT_THAT(server.requests, ::testing::ElementsAre("member;range=3-*", "member;range=6-*", "memberOf;range=3-*"));
}

// A server that answers another range than the one asked for, or a request
// that fails, ends the completion with a code and leaves the entry as it was.
TEST(LdapRanges, BrokenRangesAndFailuresLeaveTheEntryAlone)
{
    RangeServer shifted;
    shifted.attributes["member"] = Numbered("m", 7);
    std::string encoded = shifted.Entry();
    shifted.shift = 1;
    const std::string before = encoded;
    EXPECT_EQ(CompleteRangedValues(&encoded, shifted.Fetch()), ERR_SYSTEM_FAILURE);
    EXPECT_EQ(encoded, before);

    RangeServer failing;
    failing.attributes["member"] = Numbered("m", 7);
    encoded = failing.Entry();
    const FetchRange lost = [](const std::string&, std::string*) { return ERR_TRANSPORT_FAILURE; };
    EXPECT_EQ(CompleteRangedValues(&encoded, lost), ERR_TRANSPORT_FAILURE);
    EXPECT_EQ(encoded, failing.Entry());

    // A range that claims to end at the largest number cannot go on.
    encoded = EncodeAttribute("member;range=0-4294967295", {"m0"});
    EXPECT_EQ(CompleteRangedValues(&encoded, failing.Fetch()), ERR_SYSTEM_FAILURE);
}

TEST(LdapTimeouts, UrlOptionsAndEnvironmentSetTheTimeouts)
{
    const struct
    {
        const char* url;
        const char* timeoutVariable; // nullptr: unset
        const char* searchVariable;
        bool valid;
        int timeout;
        int searchTime;
    } kCases[] = {
        {"ldap://h/o=A", nullptr, nullptr, true, kDefaultTimeout, kDefaultSearchTime},
        {"ldap://h/o=A?timeout=5&searchtime=60", nullptr, nullptr, true, 5, 60},
        {"ldap://h/o=A?timeout=5", "7", "8", true, 5, 8}, // the URL wins
        {"ldap://h/o=A", "7", "", true, 7, kDefaultSearchTime},
        {"ldap://h/o=A", "0", nullptr, false, 0, 0},
        {"ldap://h/o=A", "ten", nullptr, false, 0, 0},
        {"ldap://h/o=A", nullptr, "86401", false, 0, 0},
    };
    for (const auto& row : kCases) {
        auto set = [](const char* name, const char* value) {
            if (value == nullptr) {
                unsetenv(name);
            } else {
                setenv(name, value, 1);
            }
        };
        set("VERALITH_LDAP_TIMEOUT", row.timeoutVariable);
        set("VERALITH_LDAP_SEARCH_TIME", row.searchVariable);
        LdapUrl url;
        std::string error;
        ASSERT_TRUE(ParseLdapUrl(row.url, &url, &error)) << row.url << ": " << error;
        EXPECT_EQ(ResolveTimeouts(&url, &error), row.valid) << row.url;
        if (row.valid) {
            EXPECT_EQ(url.timeoutSeconds, row.timeout) << row.url;
            EXPECT_EQ(url.searchSeconds, row.searchTime) << row.url;
        } else {
            EXPECT_THAT(error, ::testing::HasSubstr("VERALITH_LDAP_")) << row.url;
        }
    }
    unsetenv("VERALITH_LDAP_TIMEOUT");
    unsetenv("VERALITH_LDAP_SEARCH_TIME");
    for (const char* bad : {"ldap://h/o=A?timeout=0", "ldap://h/o=A?timeout=", "ldap://h/o=A?searchtime=1x",
             "ldap://h/o=A?timeout=86401", "ldap://h/o=A?timeout=-1"}) {
        LdapUrl url;
        std::string error;
        EXPECT_FALSE(ParseLdapUrl(bad, &url, &error)) << bad;
        EXPECT_THAT(error, ::testing::HasSubstr("seconds")) << bad;
    }
}

TEST(LdapLimits, LimitsAreNamedWithTheirCodes)
{
    const struct
    {
        int ldapResult;
        std::uint32_t delivered;
        DirResult code;
        const char* text;
    } kCases[] = {
        {LDAP_SIZELIMIT_EXCEEDED, 500, ERR_SIZE_LIMIT_EXCEEDED,
            "the server's size limit ended the search of \"ou=Big,dc=example,dc=com\" after 500 entries"},
        {LDAP_TIMELIMIT_EXCEEDED, 1, ERR_TIME_LIMIT_EXCEEDED,
            "the server's time limit ended the search of \"ou=Big,dc=example,dc=com\" after 1 entry"},
        {LDAP_ADMINLIMIT_EXCEEDED, 0, ERR_ADMIN_LIMIT_EXCEEDED,
            "the server's administrative limit ended the search of \"ou=Big,dc=example,dc=com\" after 0 entries"},
    };
    for (const auto& row : kCases) {
        std::string text;
        DirResult code = 0;
        ASSERT_TRUE(DescribeLimit(row.ldapResult, "ou=Big,dc=example,dc=com", row.delivered, &text, &code));
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(MapLdapResult(row.ldapResult), row.code);
    }
    std::string text;
    DirResult code = 0;
    EXPECT_FALSE(DescribeLimit(LDAP_NO_SUCH_OBJECT, "o=A", 0, &text, &code));
}

} // namespace
} // namespace veralith::client::ldap

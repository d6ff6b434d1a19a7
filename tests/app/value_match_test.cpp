// Match keys: when two values count as equal under each rule and syntax.

#include "app/run/value_match.h"
#include "client/values.h"

#include <gtest/gtest.h>

namespace veralith::app {
namespace {

struct MatchCase
{
    const char* a;
    const char* b;
    MatchRule rule;
    SyntaxMatch syntax;
    bool equal;
};

TEST(ValueMatchTest, EqualityOfPairsUnderEachRuleAndSyntax)
{
    using enum MatchRule;
    using enum SyntaxMatch;
    const MatchCase cases[] = {
        // The plain check: ASCII letters folded, nothing else.
        {"Miller", "MILLER", Case, CaseIgnore, true},
        {"Änn", "änn", Case, CaseIgnore, false},
        {" ann", "ann", Case, CaseIgnore, false},
        {"a\r\nb", "A\r\nB", Case, CaseIgnore, true},
        // Exact: bytes.
        {"Miller", "MILLER", Exact, CaseIgnore, false},
        {"Miller", "Miller", Exact, CaseIgnore, true},
        // Case-ignore strings: full Unicode folding and normalisation.
        {"ÄNN@example.org", "änn@example.org", Directory, CaseIgnore, true},
        {"Straße", "STRASSE", Directory, CaseIgnore, true},
        {"Straße", "strasse", Directory, CaseIgnore, true},
        {"ΣΊΣΥΦΟΣ", "σίσυφος", Directory, CaseIgnore, true},
        {"A\xCC\x88nn", "\xC3\x84nn", Directory, CaseIgnore, true}, // combining diaeresis vs precomposed
        {"a\xCC\x88nn", "\xC3\x84NN", Directory, CaseIgnore, true},
        {"\xEF\xAC\x81le", "file", Directory, CaseIgnore, true}, // the ligature fi (compatibility)
        {"ann", "änn", Directory, CaseIgnore, false},
        {"ann", "anne", Directory, CaseIgnore, false},
        // Insignificant spaces: ends dropped, inner runs one space.
        {" ann@example.org", "ann@example.org", Directory, CaseIgnore, true},
        {"Ann  Lee ", "ann lee", Directory, CaseIgnore, true},
        {"Ann\tLee", "Ann Lee", Directory, CaseIgnore, true},
        {"Ann\xC2\xA0Lee", "Ann Lee", Directory, CaseIgnore, true}, // no-break space
        {"AnnLee", "Ann Lee", Directory, CaseIgnore, false},
        {"", "   ", Directory, CaseIgnore, true},
        {"Ann\xC2\xADLee", "AnnLee", Directory, CaseIgnore, true}, // soft hyphen
        // Case-exact strings: prepared, case kept.
        {"Ann", "ann", Directory, CaseExact, false},
        {" Ann ", "Ann", Directory, CaseExact, true},
        {"A\xCC\x88", "\xC3\x84", Directory, CaseExact, true},
        // Telephone numbers: spaces and hyphens do not count.
        {"+1 555-0101", "+1 555 0101", Directory, Telephone, true},
        {"+1 555-0101", "+15550101", Directory, Telephone, true},
        {"+1\xE2\x80\x91"
         "555\xE2\x88\x92"
         "0101",
            "+15550101", Directory, Telephone, true}, // other hyphens
        {"+1 555-0101", "+1 555-0102", Directory, Telephone, false},
        {"+1 555-0101", "+1 555-0101", Case, Telephone, true},
        {"+1 555-0101", "+1 555 0101", Case, Telephone, false},
        // Numeric strings: spaces do not count, hyphens do.
        {"12 34", "1234", Directory, Numeric, true},
        {"12-34", "1234", Directory, Numeric, false},
        // Octet strings and other bytes: byte for byte.
        {"0A 0B", "0a 0b", Directory, Bytes, false},
        {"0A 0B", "0A 0B", Directory, Bytes, true},
        {" 42", "42", Directory, Bytes, false},
        // Names: relative name by relative name, types and values folded.
        {"CN=Ann.OU=Sales.O=Acme", "cn=ann.ou=sales.o=ACME", Directory, Name, true},
        {".Ann.Sales.Acme", "ann.sales.acme", Directory, Name, true},
        {"CN=Ann + UID=7.O=Acme", "UID=7+CN=Ann.O=Acme", Directory, Name, true},
        {"CN=Ann Lee.O=Acme", "CN=Ann  Lee .O=Acme", Directory, Name, true},
        {"CN=Ann\\.Lee.O=Acme", "CN=Ann.Lee.O=Acme", Directory, Name, false},
        {"CN=Ann.O=Acme", "CN=Ann.O=Acme.C=US", Directory, Name, false},
        {"CN=Änn.O=Acme", "CN=änn.O=Acme", Directory, Name, true},
        // Bytes that are not UTF-8 are compared as bytes under every syntax.
        {"\xFF\xFE", "\xFF\xFE", Directory, CaseIgnore, true},
        {"A\xFF", "a\xFF", Directory, CaseIgnore, false},
    };
    for (const MatchCase& c : cases) {
        const bool equal = ValueMatchKey(c.a, c.rule, c.syntax) == ValueMatchKey(c.b, c.rule, c.syntax);
        EXPECT_EQ(equal, c.equal) << "\"" << c.a << "\" vs \"" << c.b << "\" rule " << static_cast<int>(c.rule)
                                  << " syntax " << static_cast<int>(c.syntax);
    }
}

TEST(ValueMatchTest, SyntaxesMapOntoTheirMatchingRules)
{
    const std::pair<std::uint32_t, SyntaxMatch> cases[] = {
        {client::SYN_DIST_NAME, SyntaxMatch::Name},
        {client::SYN_CE_STRING, SyntaxMatch::CaseExact},
        {client::SYN_CI_STRING, SyntaxMatch::CaseIgnore},
        {client::SYN_PR_STRING, SyntaxMatch::CaseIgnore},
        {client::SYN_CI_LIST, SyntaxMatch::CaseIgnore},
        {client::SYN_EMAIL_ADDRESS, SyntaxMatch::CaseIgnore},
        {client::SYN_CLASS_NAME, SyntaxMatch::CaseIgnore},
        {client::SYN_PO_ADDRESS, SyntaxMatch::CaseIgnore},
        {client::SYN_NU_STRING, SyntaxMatch::Numeric},
        {client::SYN_TEL_NUMBER, SyntaxMatch::Telephone},
        {client::SYN_FAX_NUMBER, SyntaxMatch::Telephone},
        {client::SYN_OCTET_STRING, SyntaxMatch::Bytes},
        {client::SYN_INTEGER, SyntaxMatch::Bytes},
        {client::SYN_TIME, SyntaxMatch::Bytes},
        {client::SYN_NET_ADDRESS, SyntaxMatch::Bytes},
        {client::SYN_BOOLEAN, SyntaxMatch::Bytes},
        {99, SyntaxMatch::Bytes},
    };
    for (const auto& [syntaxId, expected] : cases) {
        EXPECT_EQ(SyntaxMatchFor(syntaxId), expected) << "syntax " << syntaxId;
    }
}

TEST(ValueMatchTest, PreparedStringsAreFoldedNormalisedAndTrimmed)
{
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"  Straße  Nord ", true, "strasse nord"},
        {"  Straße  Nord ", false, "Straße Nord"},
        {"A\xCC\x88", false, "\xC3\x84"},
        {"", true, " "},
        {"\t\r\n", true, " "},
        {"x\x01y", true, "xy"},
    };
    for (const auto& [input, fold, expected] : cases) {
        EXPECT_EQ(PrepareDirectoryString(input, fold), expected) << input;
    }
}

TEST(ValueMatchTest, WholeValuesAreSetsUnderDirectoryAndJoinedTextsOtherwise)
{
    const std::vector<std::string> ab {"a@example.org", "B@example.org"};
    const std::vector<std::string> ba {"b@example.org", "A@example.org"};
    const std::vector<std::string> abb {"a@example.org", "b@example.org", "B@EXAMPLE.ORG"};
    const std::vector<std::string> a {"a@example.org"};
    const auto key = [](const std::vector<std::string>& values, MatchRule rule) {
        return WholeValueMatchKey(values, rule, SyntaxMatch::CaseIgnore);
    };
    EXPECT_EQ(key(ab, MatchRule::Directory), key(ba, MatchRule::Directory));
    EXPECT_EQ(key(ab, MatchRule::Directory), key(abb, MatchRule::Directory));
    EXPECT_NE(key(ab, MatchRule::Directory), key(a, MatchRule::Directory));
    EXPECT_NE(key(ab, MatchRule::Case), key(ba, MatchRule::Case));
    EXPECT_EQ(key(ab, MatchRule::Case), ValueMatchKey("A@EXAMPLE.ORG\r\nb@example.org", MatchRule::Case, {}));
    // Values that hold the separator of another split are still told apart.
    EXPECT_NE(JoinMatchKeys({"a", "b"}), JoinMatchKeys({"a" + JoinMatchKeys({"b"})}));
    EXPECT_NE(JoinMatchKeys({"ab"}), JoinMatchKeys({"a", "b"}));
}

} // namespace
} // namespace veralith::app

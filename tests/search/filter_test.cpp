// The filter language: splitting, and the exact token stream each filter text
// produces (codes, values and syntax ids, in order), recorded from the client.

#include "search/filter.h"
#include "search_fixture.h"
#include "token_recorder.h"
#include "util/number.h"

#include <gtest/gtest.h>
#include <vector>

namespace veralith::search {
namespace {

using client::FilterTokenRecord;
using test::IntTok;
using test::StampTok;
using test::TextTok;
using test::Tok;

// Syntax ids of the test tree's attributes (base schema and the tree's own).
constexpr std::uint32_t kGuid = 9;
constexpr std::uint32_t kObjectClass = 20;
constexpr std::uint32_t kCN = 3;
constexpr std::uint32_t kSurname = 3;

class FilterTest : public test::SearchFixture
{
protected:
    // Numbers are read with "." as decimal and "," as thousands separator.
    void SetUp() override
    {
        test::SearchFixture::SetUp();
        m_separators = util::SetNumberSeparators({'.', ','});
    }
    void TearDown() override
    {
        util::SetNumberSeparators(m_separators);
        test::SearchFixture::TearDown();
    }

    // Translates a filter text the way the search does: split, then each line
    // in order while the result is 0.
    client::DirResult Translate(const std::string& text)
    {
        m_state = std::make_unique<SearchState>();
        m_state->current.context = Context();
        client::DirResult result = 0;
        for (const std::string& line : SplitFilterText(text)) {
            result = TranslateFilterLine(line, *m_state);
            if (result != 0) {
                break;
            }
        }
        return result;
    }

    SearchState& State() { return *m_state; }

    test::TokenRecorder m_recorder;
    std::unique_ptr<SearchState> m_state;
    util::NumberSeparators m_separators;
};

struct TokenCase
{
    const char* filter;
    client::DirResult result;
    std::vector<FilterTokenRecord> tokens;
};

void PrintTo(const TokenCase& c, std::ostream* out)
{
    *out << "'" << c.filter << "'";
}

class FilterTokenStream : public FilterTest, public ::testing::WithParamInterface<TokenCase>
{
};

TEST_P(FilterTokenStream, EmitsExactlyTheseTokens)
{
    const TokenCase& c = GetParam();
    EXPECT_EQ(Translate(c.filter), c.result);
    EXPECT_EQ(m_recorder.Tokens(), c.tokens);
}

const std::vector<FilterTokenRecord> kAndOfTwoNames {
    Tok(4), Tok(16), TextTok(14, "a", 1), Tok(5), Tok(2), Tok(4), Tok(16), TextTok(14, "b", 1), Tok(5)};

INSTANTIATE_TEST_SUITE_P(Examples, FilterTokenStream,
    ::testing::Values(
        // Class test and presence test joined by #AND#.
        TokenCase {"((Base Class=User) #AND# (GUID #PRESENT#))", 0,
            {Tok(4), Tok(4), Tok(17), TextTok(14, "User", 20), Tok(5), Tok(2), Tok(4), Tok(15),
                TextTok(14, "GUID", kGuid), Tok(5), Tok(5)}},
        TokenCase {"(#NOT# (GUID #PRESENT#))", 0,
            {Tok(4), Tok(3), Tok(4), Tok(15), TextTok(14, "GUID", kGuid), Tok(5), Tok(5)}},
        // An auxiliary class is a member of the object's class list.
        TokenCase {"(Aux Class=X)", 0,
            {Tok(4), TextTok(14, "Object Class", kObjectClass), Tok(7), TextTok(6, "X", kObjectClass), Tok(5)}},
        TokenCase {"(aux class=X)", 0,
            {Tok(4), TextTok(14, "Object Class", kObjectClass), Tok(7), TextTok(6, "X", kObjectClass), Tok(5)}},
        // Relative-name tests; #EQ# is an ordinary attribute test.
        TokenCase {"CN=jsmith", 0, {Tok(16), TextTok(14, "jsmith", 1)}},
        TokenCase {"cn=jsmith", 0, {Tok(16), TextTok(14, "jsmith", 1)}},
        TokenCase {"Name=j*", 0, {Tok(16), TextTok(14, "j*", 1)}},
        TokenCase {"RDN = j smith ", 0, {Tok(16), TextTok(14, "j smith", 1)}},
        TokenCase {"CN #EQ# jsmith", 0, {TextTok(14, "CN", kCN), Tok(7), TextTok(6, "jsmith", kCN)}},
        // "=" with "*" is a presence test; #EQ# compares with the text "*".
        TokenCase {"GUID=*", 0, {Tok(15), TextTok(14, "GUID", kGuid)}},
        TokenCase {"Surname #EQ# *", 0, {TextTok(14, "Surname", kSurname), Tok(7), TextTok(6, "*", kSurname)}},
        // GUID is an octet string: its value cannot be compared.
        TokenCase {"GUID #EQ# *", -326, {TextTok(14, "GUID", kGuid), Tok(7)}},
        // Class names.
        TokenCase {"Base Class=ou", 0, {Tok(17), TextTok(14, "Organizational Unit", 20)}},
        TokenCase {"Object Class=O", 0, {Tok(17), TextTok(14, "Organization", 20)}},
        TokenCase {"Object Class #PRESENT#", 0, {Tok(17), TextTok(14, "", 20)}},
        TokenCase {"Base Class >= User", 0, {Tok(17), TextTok(14, "User", 20)}}, TokenCase {"Base Class=*", -326, {}},
        // Aliases of #AND#, #OR# and #NOT#.
        TokenCase {"(CN=a) && (CN=b)", 0, kAndOfTwoNames}, TokenCase {"(CN=a) & (CN=b)", 0, kAndOfTwoNames},
        TokenCase {"(CN=a) #AND# (CN=b)", 0, kAndOfTwoNames},
        TokenCase {"(CN=a)&&&(CN=b)", 0,
            {Tok(4), Tok(16), TextTok(14, "a", 1), Tok(5), Tok(2), Tok(2), Tok(4), Tok(16), TextTok(14, "b", 1),
                Tok(5)}},
        TokenCase {"CN=a || CN=b | !CN=c", 0,
            {Tok(16), TextTok(14, "a", 1), Tok(1), Tok(16), TextTok(14, "b", 1), Tok(1), Tok(3), Tok(16),
                TextTok(14, "c", 1)}},
        // Keywords are upper case only.
        TokenCase {"(CN=a) #and# (CN=b)", -326, {Tok(4), Tok(16), TextTok(14, "a", 1), Tok(5)}},
        // The signs act as operators inside a value too.
        TokenCase {"CN=Smith&Jones", -326, {Tok(16), TextTok(14, "Smith", 1), Tok(2)}},
        // The operator list's order decides, not the position in the item.
        TokenCase {"CN>=B", 0, {TextTok(14, "CN", kCN), Tok(8), TextTok(6, "B", kCN)}}, TokenCase {"CN=A<=B", -603, {}},
        TokenCase {"Surname #LE# m", 0, {TextTok(14, "Surname", kSurname), Tok(9), TextTok(6, "m", kSurname)}},
        TokenCase {"Surname#GE#m", 0, {TextTok(14, "Surname", kSurname), Tok(8), TextTok(6, "m", kSurname)}},
        TokenCase {"Surname #APPROX# mit", 0, {TextTok(14, "Surname", kSurname), Tok(10), TextTok(6, "mit", kSurname)}},
        TokenCase {"Surname=", 0, {TextTok(14, "Surname", kSurname), Tok(7), TextTok(6, "", kSurname)}},
        // Blanks and TABs around items, names and values are trimmed.
        TokenCase {" \t(  Surname \t=  Smith Jr \t)\t ", 0,
            {Tok(4), TextTok(14, "Surname", kSurname), Tok(7), TextTok(6, "Smith Jr", kSurname), Tok(5)}},
        // An attribute the schema does not hold: the client's code.
        TokenCase {"(Nonesuch=1)", -603, {Tok(4)}},
        // An item without operator.
        TokenCase {"(jsmith)", -326, {Tok(4)}},
        // Line breaks separate items like the signs do.
        TokenCase {"CN=a\r\n#OR#\nCN=b\rCN=c", -0,
            {Tok(16), TextTok(14, "a", 1), Tok(1), Tok(16), TextTok(14, "b", 1), Tok(16), TextTok(14, "c", 1)}}));

INSTANTIATE_TEST_SUITE_P(Values, FilterTokenStream,
    ::testing::Values(
        // Booleans: six words, any letter case.
        TokenCase {"srchFlag=#yes#", 0, {TextTok(14, "srchFlag", 7), Tok(7), IntTok(6, 1, 7)}},
        TokenCase {"srchFlag=True", 0, {TextTok(14, "srchFlag", 7), Tok(7), IntTok(6, 1, 7)}},
        TokenCase {"srchFlag=#TRUE#", 0, {TextTok(14, "srchFlag", 7), Tok(7), IntTok(6, 1, 7)}},
        TokenCase {"srchFlag=false", 0, {TextTok(14, "srchFlag", 7), Tok(7), IntTok(6, 0, 7)}},
        TokenCase {"srchFlag=#False#", 0, {TextTok(14, "srchFlag", 7), Tok(7), IntTok(6, 0, 7)}},
        TokenCase {"srchFlag=#no#", 0, {TextTok(14, "srchFlag", 7), Tok(7), IntTok(6, 0, 7)}},
        TokenCase {"srchFlag=yes", -326, {TextTok(14, "srchFlag", 7), Tok(7)}},
        TokenCase {"srchFlag=1", -326, {TextTok(14, "srchFlag", 7), Tok(7)}},
        // Integers: the lenient number reading; not a number gives -1.
        TokenCase {"srchCount=42", 0, {TextTok(14, "srchCount", 8), Tok(7), IntTok(6, 42, 8)}},
        TokenCase {"srchCount=abc", 0, {TextTok(14, "srchCount", 8), Tok(7), IntTok(6, -1, 8)}},
        TokenCase {"srchCount>=2.5", 0, {TextTok(14, "srchCount", 8), Tok(8), IntTok(6, 2, 8)}},
        TokenCase {"srchCount<=1,234", 0, {TextTok(14, "srchCount", 8), Tok(9), IntTok(6, 1234, 8)}},
        TokenCase {"srchCount=2147483647", 0, {TextTok(14, "srchCount", 8), Tok(7), IntTok(6, 2147483647, 8)}},
        TokenCase {"srchCount=-2147483648", 0, {TextTok(14, "srchCount", 8), Tok(7), IntTok(6, -2147483647 - 1, 8)}},
        TokenCase {"srchCount=2147483648", -326, {TextTok(14, "srchCount", 8), Tok(7)}},
        TokenCase {"srchCount=1e10", -326, {TextTok(14, "srchCount", 8), Tok(7)}},
        TokenCase {"srchInterval=3600", 0, {TextTok(14, "srchInterval", 27), Tok(7), IntTok(6, 3600, 27)}},
        // Times: either separator; the range of a 32-bit directory time.
        TokenCase {"srchWhen>=2005-12-31", 0, {TextTok(14, "srchWhen", 24), Tok(8), StampTok(6, 1135987200, 24)}},
        TokenCase {"srchWhen>=2005/12/31", 0, {TextTok(14, "srchWhen", 24), Tok(8), StampTok(6, 1135987200, 24)}},
        TokenCase {"srchStamp=2005-12-31", 0, {TextTok(14, "srchStamp", 19), Tok(7), StampTok(6, 1135987200, 19)}},
        TokenCase {"srchWhen=1970-01-01", 0, {TextTok(14, "srchWhen", 24), Tok(7), StampTok(6, 0, 24)}},
        TokenCase {"srchWhen=2106-02-07", 0, {TextTok(14, "srchWhen", 24), Tok(7), StampTok(6, 4294944000u, 24)}},
        TokenCase {"srchWhen=2004-02-29", 0, {TextTok(14, "srchWhen", 24), Tok(7), StampTok(6, 1078012800, 24)}},
        TokenCase {"srchWhen=1969-12-31", -326, {TextTok(14, "srchWhen", 24), Tok(7)}},
        TokenCase {"srchWhen=2106-02-08", -326, {TextTok(14, "srchWhen", 24), Tok(7)}},
        TokenCase {"srchWhen=2005-02-29", -326, {TextTok(14, "srchWhen", 24), Tok(7)}},
        TokenCase {"srchWhen=yesterday", -326, {TextTok(14, "srchWhen", 24), Tok(7)}},
        // Syntax 0 and ids outside the table: token 6 without value.
        TokenCase {"srchNone=x", 0, {TextTok(14, "srchNone", 0), Tok(7), Tok(6, 0)}},
        TokenCase {"srchRaw=x", 0, {TextTok(14, "srchRaw", 40), Tok(7), Tok(6, 40)}},
        // Syntaxes whose values cannot be compared.
        TokenCase {"srchList=x", -326, {TextTok(14, "srchList", 6), Tok(7)}},
        TokenCase {"srchStream=x", -326, {TextTok(14, "srchStream", 21), Tok(7)}},
        TokenCase {"srchBackLink=x", -326, {TextTok(14, "srchBackLink", 23), Tok(7)}},
        // Presence tests never convert a value.
        TokenCase {"srchList #PRESENT#", 0, {Tok(15), TextTok(14, "srchList", 6)}},
        TokenCase {"srchWhen=*", 0, {Tok(15), TextTok(14, "srchWhen", 24)}},
        // Distinguished names pass as typed.
        TokenCase {"srchLink=Admins.Acme", 0, {TextTok(14, "srchLink", 1), Tok(7), TextTok(6, "Admins.Acme", 1)}}));

TEST_F(FilterTest, EmptyOrBlankTextMakesNoClientCall)
{
    for (const char* text : {"", "   ", " \t \t", "\r\n\r\n"}) {
        const std::uint64_t calls = client::GetClientCallCount();
        EXPECT_EQ(Translate(text), 0) << "'" << text << "'";
        EXPECT_EQ(client::GetClientCallCount(), calls) << "'" << text << "'";
        EXPECT_EQ(State().cursor.get(), nullptr);
        EXPECT_TRUE(m_recorder.Tokens().empty());
    }
}

TEST_F(FilterTest, NulCharacterEndsTheText)
{
    EXPECT_EQ(Translate(std::string("CN=a\0)(junk", 11)), 0);
    EXPECT_EQ(m_recorder.Tokens(), (std::vector<FilterTokenRecord> {Tok(16), TextTok(14, "a", 1)}));
}

TEST_F(FilterTest, FirstItemAllocatesTheCursorOnce)
{
    const std::size_t before = client::GetClientResourceCounts().filters;
    ASSERT_EQ(Translate("(CN=a) #OR# (CN=b)"), 0);
    EXPECT_NE(State().cursor.get(), nullptr);
    EXPECT_EQ(client::GetClientResourceCounts().filters, before + 1);
    m_state.reset();
    EXPECT_EQ(client::GetClientResourceCounts().filters, before);
}

TEST_F(FilterTest, LastTimeComparisonIsTheSearchTimeStamp)
{
    ASSERT_EQ(Translate("(srchWhen>=2005-12-31) #AND# (srchStamp<=2006/01/01)"), 0);
    EXPECT_EQ(State().timeStamp.wholeSeconds, 1136073600u);
    EXPECT_EQ(State().timeStamp.replicaNumber, 0);
    EXPECT_EQ(State().timeStamp.eventId, 0);

    ASSERT_EQ(Translate("(CN=a)"), 0);
    EXPECT_EQ(State().timeStamp.wholeSeconds, 0u);
}

TEST_F(FilterTest, TranslationStopsAtTheFirstFailingItem)
{
    EXPECT_EQ(Translate("(srchFlag=maybe) #OR# (CN=b)"), -326);
    EXPECT_EQ(m_recorder.Tokens(), (std::vector<FilterTokenRecord> {Tok(4), TextTok(14, "srchFlag", 7), Tok(7)}));
}

TEST(SplitFilterText, PutsEverySignAndKeywordOnALineOfItsOwn)
{
    const auto nonEmpty = [](const std::string& text) {
        std::vector<std::string> lines;
        for (const std::string& line : SplitFilterText(text)) {
            if (!line.empty()) {
                lines.push_back(line);
            }
        }
        return lines;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(nonEmpty("((Base Class=User) #AND# (GUID #PRESENT#))"),
        (Lines {"(", "(", "Base Class=User", ")", " ", "#AND#", " ", "(", "GUID #PRESENT#", ")", ")"}));
    EXPECT_EQ(nonEmpty("CN=Smith&Jones"), (Lines {"CN=Smith", "#AND#", "Jones"}));
    EXPECT_EQ(nonEmpty("a&&&b"), (Lines {"a", "#AND#", "#AND#", "b"}));
    EXPECT_EQ(nonEmpty("a|||b"), (Lines {"a", "#OR#", "#OR#", "b"}));
    EXPECT_EQ(nonEmpty("!!a"), (Lines {"#NOT#", "#NOT#", "a"}));
    EXPECT_EQ(nonEmpty("a #and# b"), (Lines {"a #and# b"}));
    EXPECT_EQ(nonEmpty("a\r\rb\n\nc"), (Lines {"a", "b", "c"}));
    EXPECT_TRUE(nonEmpty("").empty());
}

TEST(ReadFilterDate, ReadsEitherSeparatorAndRejectsInvalidDates)
{
    EXPECT_EQ(ReadFilterDate("2005-12-31"), 38717.0);
    EXPECT_EQ(ReadFilterDate("2005/12/31"), 38717.0);
    EXPECT_EQ(ReadFilterDate("1899-12-30"), 0.0);
    EXPECT_EQ(ReadFilterDate("0001-01-01"), -693593.0);
    EXPECT_EQ(ReadFilterDate("9999-12-31"), 2958465.0);
    EXPECT_EQ(ReadFilterDate("2000-02-29"), 36585.0);
    for (const char* bad : {"", "2005", "2005-12", "2005-13-01", "2005-00-10", "2005-12-00", "2005-12-32", "1900-02-29",
             "0-01-01", "10000-01-01", "65536-01-01", "2005-12-31-1", "2005-12/31", "2005/12-31", "+2005-12-31",
             " 2005-12-31", "2005-12-31 ", "2005-1x-31", "99999999999999999999-1-1"}) {
        EXPECT_EQ(ReadFilterDate(bad), std::nullopt) << "'" << bad << "'";
    }
}

} // namespace
} // namespace veralith::search

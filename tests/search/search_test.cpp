// Searches end to end on the test tree (tests/data/search-tree.json): scopes,
// filters, limit, counter, stop flag, callback, result naming, failures, and
// that every search releases what it allocated.

#include "client/client.h"
#include "platform/regional.h"
#include "search/filter.h"
#include "search/search.h"
#include "search_fixture.h"
#include "token_recorder.h"
#include "util/feedback.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace veralith::search {
namespace {

using Names = std::vector<std::string>;

// The names user<from>..user<to> under the container, as typeless full names
// without a leading dot (the search context's name context is "[Root]").
Names Users(int from, int to, const std::string& container)
{
    Names names;
    for (int i = from; i <= to; ++i) {
        names.push_back((i < 10 ? "user0" : "user") + std::to_string(i) + "." + container);
    }
    return names;
}

Names Concat(Names a, const Names& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class SearchTest : public test::SearchFixture
{
protected:
    // SearchObjectNames; the names found, in the order found.
    Names Find(const std::string& base, const std::string& filter, std::int32_t scope, client::DirResult expected = 0)
    {
        util::StringList list;
        EXPECT_EQ(SearchObjectNames(Context(), base, filter, scope, &list), expected) << filter;
        ExpectNothingHeld();
        return list.Texts();
    }

    // Every buffer, filter cursor and iteration released.
    void ExpectNothingHeld()
    {
        const client::ClientResourceCounts counts = client::GetClientResourceCounts();
        EXPECT_EQ(counts.buffers, m_before.buffers);
        EXPECT_EQ(counts.filters, m_before.filters);
        EXPECT_EQ(counts.iterations, m_before.iterations);
    }

    void SetUp() override
    {
        test::SearchFixture::SetUp();
        m_before = client::GetClientResourceCounts();
    }

    client::ClientResourceCounts m_before;
};

TEST_F(SearchTest, ScopeOneListsOnlyTheObjectsDirectlyBelowTheBase)
{
    EXPECT_EQ(Find(".Sales.Acme", "(Base Class=User)", 1), Users(1, 12, "Sales.Acme"));
    EXPECT_EQ(Find(".Acme", "(Base Class=User)", 1), Names {});
}

TEST_F(SearchTest, ScopeTwoListsTheWholeSubtree)
{
    EXPECT_EQ(Sorted(Find(".Sales.Acme", "(Base Class=User)", 2)),
        Sorted(Concat(Users(1, 12, "Sales.Acme"), Users(13, 20, "Staff.Sales.Acme"))));
    EXPECT_EQ(Find(".Acme", "(Base Class=User)", 2).size(), 25u);
}

TEST_F(SearchTest, EmptyFilterFindsEveryObjectInScope)
{
    EXPECT_EQ(Sorted(Find(".Sales.Acme", "", 1)), Sorted(Concat(Users(1, 12, "Sales.Acme"), {"Staff.Sales.Acme"})));
    EXPECT_EQ(Find(".Empty.Acme", "", 2), Names {});
}

struct FilterCase
{
    const char* filter;
    Names expected;
};

void PrintTo(const FilterCase& c, std::ostream* out)
{
    *out << "'" << c.filter << "'";
}

class SearchFilter : public SearchTest, public ::testing::WithParamInterface<FilterCase>
{
};

TEST_P(SearchFilter, FindsExactlyTheMatchingObjects)
{
    EXPECT_EQ(Sorted(Find(".Acme", GetParam().filter, 2)), Sorted(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Filters, SearchFilter,
    ::testing::Values(
        // Class and presence tests, as the window composes them.
        FilterCase {"((Base Class=User) #AND# (GUID #PRESENT#))",
            {"user01.Sales.Acme", "user02.Sales.Acme", "user13.Staff.Sales.Acme"}},
        FilterCase {"((Base Class=User) #AND# (#NOT# (GUID #PRESENT#)))",
            Concat(Concat(Users(3, 12, "Sales.Acme"), Users(14, 20, "Staff.Sales.Acme")), Users(21, 25, "Eng.Acme"))},
        FilterCase {"((Aux Class=srchAux) #AND# (srchCount #PRESENT#))",
            {"user01.Sales.Acme", "user02.Sales.Acme", "user03.Sales.Acme"}},
        FilterCase {"(Aux Class=srchAux)",
            {"user01.Sales.Acme", "user02.Sales.Acme", "user03.Sales.Acme", "user13.Staff.Sales.Acme"}},
        FilterCase {"(Base Class=ou)", {"Sales.Acme", "Staff.Sales.Acme", "Eng.Acme", "Empty.Acme", "Bulk.Acme"}},
        FilterCase {"(Base Class=Group) | (Base Class=o)", {"Admins.Acme"}},
        // Relative-name tests with a wildcard, joined by the sign aliases.
        FilterCase {"(CN=user1*)", Concat(Users(10, 12, "Sales.Acme"), Users(13, 19, "Staff.Sales.Acme"))},
        FilterCase {"(CN=user0*) & !(srchFlag=#yes#)", Users(2, 9, "Sales.Acme")},
        FilterCase {"(CN=user2*) && (Base Class=User)", Concat({"user20.Staff.Sales.Acme"}, Users(21, 25, "Eng.Acme"))},
        // Time comparisons: the date's midnight, UTC.
        FilterCase {"(srchWhen>=2005-12-31)", {"user01.Sales.Acme", "user02.Sales.Acme"}},
        FilterCase {"(srchWhen<=2005/12/31)", {"user01.Sales.Acme", "user03.Sales.Acme", "user13.Staff.Sales.Acme"}},
        // Numbers and booleans.
        FilterCase {"(srchCount>=10)", {"user02.Sales.Acme", "user03.Sales.Acme"}}, FilterCase {"(srchCount=abc)", {}},
        FilterCase {"(srchFlag=#NO#)", {"user02.Sales.Acme"}},
        // Strings: case ignored, "*" matches any run.
        FilterCase {"(Surname=surname0*) #AND# (#NOT# (Surname #EQ# SURNAME05))",
            Concat(Users(1, 4, "Sales.Acme"), Users(6, 9, "Sales.Acme"))}));

TEST_F(SearchTest, LimitStopsAfterThatManyObjects)
{
    util::StringList list;
    std::int32_t counter = 0;
    const bool stop = false;
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Acme",
                  .filter = "(Base Class=User)",
                  .scope = 2,
                  .results = &list,
                  .limit = 10,
                  .counter = &counter,
                  .stop = &stop}),
        0);
    EXPECT_EQ(list.Count(), 10u);
    EXPECT_EQ(counter, 10);
    ExpectNothingHeld();

    // Without a limit all 25 come; the first ten are the ten found above.
    util::StringList all;
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Acme",
                  .filter = "(Base Class=User)",
                  .scope = 2,
                  .results = &all,
                  .counter = &counter,
                  .stop = &stop}),
        0);
    EXPECT_EQ(all.Count(), 25u);
    EXPECT_EQ(counter, 35);
    const Names names = all.Texts();
    EXPECT_EQ(Names(names.begin(), names.begin() + 10), list.Texts());
}

// Names role001.Bulk.Acme ... role<count>.Bulk.Acme.
Names Roles(int count)
{
    Names names;
    for (int i = 1; i <= count; ++i) {
        const std::string number = std::to_string(i);
        names.push_back("role" + std::string(3 - number.size(), '0') + number + ".Bulk.Acme");
    }
    return names;
}

TEST_F(SearchTest, ResultsSpanningSeveralRepliesComeEachOnceInOrder)
{
    int requests = 0;
    int pumps = 0;
    util::FeedbackHooks hooks;
    hooks.processPendingMessages = [&] { ++pumps; };
    util::ScopedFeedbackHooks scoped(hooks);
    const Names found = Find(".Bulk.Acme", "(Base Class=Organizational Role)", 1);
    EXPECT_EQ(found, Roles(150));
    // One pump before every request and every object: more than one request.
    requests = pumps - 150;
    EXPECT_GT(requests, 1);
}

TEST_F(SearchTest, LimitReachedWithRepliesLeftClosesTheIteration)
{
    util::StringList list;
    std::int32_t counter = 0;
    const bool stop = false;
    std::size_t iterationsAtLimit = 0;
    const SearchCallback callback = [&](directory::TNDSObj& current, std::int32_t) {
        if (current.name == "role100.Bulk.Acme") {
            iterationsAtLimit = client::GetClientResourceCounts().iterations;
        }
    };
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Bulk.Acme",
                  .filter = "",
                  .scope = 1,
                  .results = &list,
                  .limit = 100,
                  .counter = &counter,
                  .callback = callback,
                  .stop = &stop}),
        0);
    EXPECT_EQ(list.Texts(), Roles(100));
    EXPECT_EQ(counter, 100);
    EXPECT_EQ(iterationsAtLimit, m_before.iterations + 1); // open while the limit was reached
    ExpectNothingHeld(); // and closed afterwards
}

TEST_F(SearchTest, StopFlagWithRepliesLeftClosesTheIteration)
{
    util::StringList list;
    std::int32_t counter = 0;
    bool stop = false;
    const SearchCallback callback = [&](directory::TNDSObj&, std::int32_t) { stop = counter == 5; };
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Bulk.Acme",
                  .filter = "",
                  .scope = 1,
                  .results = &list,
                  .counter = &counter,
                  .callback = callback,
                  .stop = &stop}),
        0);
    EXPECT_EQ(list.Texts(), Roles(5));
    ExpectNothingHeld();
}

TEST_F(SearchTest, LimitCountsTheCallersCounterWhichIsNotReset)
{
    util::StringList list;
    std::int32_t counter = 7;
    const bool stop = false;
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Acme",
                  .filter = "(Base Class=User)",
                  .scope = 2,
                  .results = &list,
                  .limit = 10,
                  .counter = &counter,
                  .stop = &stop}),
        0);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(counter, 10);
    ExpectNothingHeld();
}

TEST_F(SearchTest, CounterCountsEvenWhenNoNamesAreWanted)
{
    std::int32_t counter = 0;
    const bool stop = false;
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Sales.Acme",
                  .filter = "(Base Class=User)",
                  .scope = 1,
                  .results = nullptr,
                  .nameTemplate = "#[%d][CN]#",
                  .counter = &counter,
                  .stop = &stop}),
        0);
    EXPECT_EQ(counter, 12); // the template would fail if it were expanded
    ExpectNothingHeld();
}

TEST_F(SearchTest, StopFlagSetByTheCallbackEndsTheSearchAfterThatObject)
{
    util::StringList list;
    std::int32_t counter = 0;
    bool stop = false;
    std::vector<std::int32_t> userValues;
    const SearchCallback callback = [&](directory::TNDSObj& current, std::int32_t userValue) {
        userValues.push_back(userValue);
        EXPECT_EQ(current.context, Context());
        EXPECT_EQ(current.displayText, "<" + current.name + ">");
        if (current.name == "user03.Sales.Acme") {
            stop = true;
        }
    };
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Sales.Acme",
                  .filter = "(Base Class=User)",
                  .scope = 1,
                  .results = &list,
                  .nameTemplate = "<#NAME#>",
                  .counter = &counter,
                  .callback = callback,
                  .stop = &stop,
                  .userValue = -42}),
        0);
    EXPECT_EQ(list.Texts(), (Names {"<user01.Sales.Acme>", "<user02.Sales.Acme>", "<user03.Sales.Acme>"}));
    EXPECT_EQ(userValues, (std::vector<std::int32_t> {-42, -42, -42}));
    EXPECT_EQ(counter, 3);
    ExpectNothingHeld();
}

TEST_F(SearchTest, StopFlagSetBeforehandStillLetsTheFirstObjectThrough)
{
    util::StringList list;
    std::int32_t counter = 0;
    const bool stop = true;
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Acme",
                  .filter = "(Base Class=User)",
                  .scope = 2,
                  .results = &list,
                  .counter = &counter,
                  .stop = &stop}),
        0);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(counter, 1);
    ExpectNothingHeld();
}

TEST_F(SearchTest, StopFlagSetWhileMessagesAreProcessedIsRead)
{
    bool stop = false;
    int pumps = 0;
    util::FeedbackHooks hooks;
    hooks.processPendingMessages = [&] {
        if (++pumps == 3) {
            stop = true; // the user pressed a stop button during the second object
        }
    };
    util::ScopedFeedbackHooks scoped(hooks);
    util::StringList list;
    std::int32_t counter = 0;
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Acme",
                  .filter = "(Base Class=User)",
                  .scope = 2,
                  .results = &list,
                  .counter = &counter,
                  .stop = &stop}),
        0);
    // One pump before the request, one before each object.
    EXPECT_EQ(list.Count(), 2u);
    ExpectNothingHeld();
}

TEST_F(SearchTest, FailingCallbackDoesNotEndTheSearch)
{
    util::StringList list;
    std::int32_t counter = 0;
    const bool stop = false;
    const SearchCallback callback = [](directory::TNDSObj&, std::int32_t) { throw std::runtime_error("callback"); };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(SearchObjects({.context = Context(),
                  .base = ".Sales.Acme",
                  .filter = "(Base Class=User)",
                  .scope = 1,
                  .results = &list,
                  .counter = &counter,
                  .callback = callback,
                  .stop = &stop}),
        0);
    EXPECT_EQ(list.Count(), 12u);
    ExpectNothingHeld();
    // Told once, with the first object's name and the reason.
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(told, "veralith: the search's callback failed for \"user01.Sales.Acme\": callback\n");
}

TEST_F(SearchTest, ResultsAreAppendedWithTheNamePositionAsValue)
{
    util::StringList list;
    list.Add("kept", 99);
    ASSERT_EQ(SearchObjectNames(Context(), ".Sales.Acme", "(CN=user01)", 1, &list), 0);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0), (util::StringListEntry {"kept", 99}));
    EXPECT_EQ(list.At(1), (util::StringListEntry {"user01.Sales.Acme", 1}));
}

TEST_F(SearchTest, UnbalancedParenthesesFailBeforeAnyClientCall)
{
    for (const char* filter : {"(CN=a", "CN=a)", "((Base Class=User) #AND# (GUID #PRESENT#)", "("}) {
        util::StringList list;
        list.Add("kept");
        std::int32_t counter = 0;
        const bool stop = false;
        test::TokenRecorder recorder;
        const std::uint64_t calls = client::GetClientCallCount();
        EXPECT_EQ(SearchObjects({.context = Context(),
                      .base = ".Acme",
                      .filter = filter,
                      .scope = 2,
                      .results = &list,
                      .counter = &counter,
                      .stop = &stop}),
            -326)
            << filter;
        EXPECT_EQ(client::GetClientCallCount(), calls) << filter;
        EXPECT_TRUE(recorder.Tokens().empty());
        EXPECT_EQ(list.Texts(), Names {"kept"});
        EXPECT_EQ(counter, 0);
    }
}

TEST_F(SearchTest, TranslationFailureRunsNoSearchAndFreesTheCursor)
{
    for (const char* filter : {"(srchFlag=maybe)", "(Base Class=*)", "(CN=a) #and# (CN=b)", "(srchList=x)",
             "(srchWhen>=1969-12-31)", "(srchCount=99999999999)", "(Nonesuch=1)"}) {
        test::TokenRecorder recorder;
        const client::DirResult expected = std::string(filter) == "(Nonesuch=1)" ? -603 : -326;
        EXPECT_EQ(Find(".Acme", filter, 2, expected), Names {}) << filter;
        // The end token is appended even so.
        ASSERT_FALSE(recorder.Tokens().empty());
        EXPECT_EQ(recorder.Tokens().back(), test::Tok(0));
    }
}

TEST_F(SearchTest, SearchAppendsTheEndTokenAfterTheTranslatedItems)
{
    test::TokenRecorder recorder;
    EXPECT_EQ(Find(".Acme", "((Base Class=User) #AND# (GUID #PRESENT#))", 2).size(), 3u);
    EXPECT_EQ(recorder.Tokens(),
        (std::vector<client::FilterTokenRecord> {test::Tok(4), test::Tok(4), test::Tok(17),
            test::TextTok(14, "User", 20), test::Tok(5), test::Tok(2), test::Tok(4), test::Tok(15),
            test::TextTok(14, "GUID", 9), test::Tok(5), test::Tok(5), test::Tok(0)}));
}

TEST_F(SearchTest, TokensThatFormNoExpressionAreRefusedByTheClient)
{
    EXPECT_EQ(Find(".Acme", ")(CN=a)(", 2, -326), Names {});
    EXPECT_EQ(Find(".Acme", "(CN=a) #AND#", 2, -326), Names {});
}

TEST_F(SearchTest, MissingBaseReturnsTheClientsCode)
{
    EXPECT_EQ(Find(".Nowhere.Acme", "(Base Class=User)", 2, client::ERR_NO_SUCH_ENTRY), Names {});
}

} // namespace
} // namespace veralith::search

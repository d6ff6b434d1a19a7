// The duplicate check's compare options and conflict groups, run on
// tests/data/audit-tree.json through a recording surface.

#include "app/cli/session.h"
#include "app/run/compare_run.h"
#include "app/run/search_run.h"
#include "directory/directory.h"
#include "tests/app/recording_surface.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace veralith::app {
namespace {

using Texts = std::vector<std::string>;

std::string AuditTreePath()
{
    const char* root = std::getenv("VERALITH_SOURCE_DIR");
    return std::string(root != nullptr ? root : VERALITH_TEST_SOURCE_DIR) + "/tests/data/audit-tree.json";
}

class CompareRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const util::Status kStarted = [] {
            directory::ResetNetWareStartupForTesting();
            return StartClient({AuditTreePath()});
        }();
        ASSERT_TRUE(kStarted) << kStarted.Reason();
        const util::Status opened = OpenSession("AUDIT_TREE", m_session);
        ASSERT_TRUE(opened) << opened.Reason();
    }

    SearchRunInputs Inputs(const std::string& attribute, const CompareOptions& compare) const
    {
        SearchRunInputs inputs;
        inputs.attributeName = attribute;
        inputs.attributeText = attribute;
        inputs.classText = "User";
        inputs.mode = CheckMode::Duplicates;
        inputs.recurse = true;
        inputs.searchContext = m_session.search.get();
        inputs.containerName = ".Acme";
        inputs.compare = compare;
        return inputs;
    }

    CliSession m_session;
};

CompareOptions Options(MatchRule match, bool eachValue = false, std::vector<std::string> more = {},
    Uniqueness uniqueness = Uniqueness::PerAttribute)
{
    CompareOptions options;
    options.match = match;
    options.eachValue = eachValue;
    options.moreAttributes = std::move(more);
    options.uniqueness = uniqueness;
    return options;
}

CompareOptions Ignoring(CompareOptions options, std::vector<std::string> ignored)
{
    options.ignoredValues = std::move(ignored);
    return options;
}

CompareOptions Excluding(CompareOptions options, std::vector<std::string> bases)
{
    options.excludedBases = std::move(bases);
    return options;
}

struct RunCase
{
    const char* name;
    const char* attribute;
    CompareOptions compare;
    Texts log;
};

const Texts kEachProxy {
    "bob.People.Acme / ann.People.Acme: (proxyAddresses = a@example.org)",
    "bob.People.Acme / ann.People.Acme: (proxyAddresses = B@example.org)",
    "eve.People.Acme / ann.People.Acme: (proxyAddresses = b@example.org)",
    "eve.People.Acme / dan.People.Acme: (proxyAddresses = N/A)",
    "fay.Old.Acme / dan.People.Acme: (proxyAddresses = dan@example.org)",
};

Texts Without(Texts texts, std::size_t index)
{
    texts.erase(texts.begin() + static_cast<std::ptrdiff_t>(index));
    return texts;
}

TEST_F(CompareRunTest, EachOptionFindsTheDuplicatesItDefines)
{
    using enum MatchRule;
    const RunCase cases[] = {
        {"whole text, ASCII case", "mail", Options(Case), {}},
        {"exact", "userKey", Options(Exact), {}},
        {"case folds ASCII", "userKey", Options(Case), {"bob.People.Acme / ann.People.Acme: (userKey = Ann)"}},
        {"directory: spaces and Unicode case", "mail", Options(Directory),
            {"bob.People.Acme / ann.People.Acme: (mail =  ann@example.org)",
                "dan.People.Acme / cat.People.Acme: (mail = änn@example.org)"}},
        {"directory: case-exact keeps case", "userKey", Options(Directory), {}},
        {"directory: telephone forms", "Telephone Number", Options(Directory),
            {"bob.People.Acme / ann.People.Acme: (Telephone Number = +1 555 0101)"}},
        {"exact: telephone forms differ", "Telephone Number", Options(Exact), {}},
        {"directory: numeric spaces", "employeeNumber", Options(Directory),
            {"bob.People.Acme / ann.People.Acme: (employeeNumber = 12 34)"}},
        {"directory: octet strings by bytes", "photo", Options(Directory), {}},
        {"directory: values as a set", "proxyAddresses", Options(Directory),
            {"bob.People.Acme / ann.People.Acme: (proxyAddresses = a@example.org\r\nB@example.org)"}},
        {"whole value keeps order", "proxyAddresses", Options(Exact), {}},
        {"each value", "proxyAddresses", Options(Case, true), kEachProxy},
        {"each value, N/A ignored", "proxyAddresses", Ignoring(Options(Case, true), {"N/A"}), Without(kEachProxy, 3)},
        {"ignored by the directory rule", "proxyAddresses", Ignoring(Options(Directory, true), {" n/a "}),
            Without(kEachProxy, 3)},
        {"case rule does not ignore n/a", "proxyAddresses", Ignoring(Options(Case, true), {" n/a"}), kEachProxy},
        {"subtree excluded", "proxyAddresses", Excluding(Options(Case, true), {"Old.Acme"}), Without(kEachProxy, 4)},
        {"whole ignored value", "mail", Ignoring(Options(Directory), {"ANN@example.org"}),
            {"dan.People.Acme / cat.People.Acme: (mail = änn@example.org)"}},
    };
    for (const RunCase& c : cases) {
        RecordingSurface surface;
        const SearchRunResult result = RunSearch(Inputs(c.attribute, c.compare), surface);
        EXPECT_EQ(result.outcome, SearchRunOutcome::Completed) << c.name;
        EXPECT_EQ(surface.log, c.log) << c.name;
        EXPECT_EQ(result.duplicateCount, c.log.size()) << c.name;
        EXPECT_EQ(surface.TextsOf(util::MessageBoxKind::Information).size(), c.log.empty() ? 1u : 0u) << c.name;
    }
}

TEST_F(CompareRunTest, FourWaysOfComparingSeveralAttributes)
{
    using enum Uniqueness;
    const std::vector<std::string> proxy {"proxyAddresses"};
    const RunCase cases[] = {
        {"within each attribute", "mail", Options(MatchRule::Case, true, proxy, PerAttribute), kEachProxy},
        {"across all, the object itself included", "mail", Options(MatchRule::Case, true, proxy, AcrossAll),
            {"bob.People.Acme / ann.People.Acme: (proxyAddresses = a@example.org)",
                "bob.People.Acme / ann.People.Acme: (proxyAddresses = B@example.org)",
                "cat.People.Acme / ann.People.Acme: (proxyAddresses/mail = ann@example.org)",
                "eve.People.Acme / eve.People.Acme: (proxyAddresses/mail = eve@example.org)",
                "eve.People.Acme / ann.People.Acme: (proxyAddresses = b@example.org)",
                "eve.People.Acme / dan.People.Acme: (proxyAddresses = N/A)",
                "fay.Old.Acme / dan.People.Acme: (proxyAddresses = dan@example.org)"}},
        {"across all, other objects only", "mail", Options(MatchRule::Case, true, proxy, AcrossOthers),
            {"bob.People.Acme / ann.People.Acme: (proxyAddresses = a@example.org)",
                "bob.People.Acme / ann.People.Acme: (proxyAddresses = B@example.org)",
                "cat.People.Acme / ann.People.Acme: (proxyAddresses/mail = ann@example.org)",
                "eve.People.Acme / ann.People.Acme: (proxyAddresses = b@example.org)",
                "eve.People.Acme / dan.People.Acme: (proxyAddresses = N/A)",
                "fay.Old.Acme / dan.People.Acme: (proxyAddresses = dan@example.org)"}},
        {"combination, ASCII case", "mail", Options(MatchRule::Case, false, proxy, Combination), {}},
        {"combination, as the directory", "mail", Options(MatchRule::Directory, false, proxy, Combination),
            {"bob.People.Acme / ann.People.Acme: (mail+proxyAddresses =  ann@example.org + "
             "a@example.org\r\nB@example.org)"}},
        {"combination of a value and a missing attribute", "Surname",
            Options(MatchRule::Case, false, {"Telephone Number"}, Combination), {}},
    };
    for (const RunCase& c : cases) {
        RecordingSurface surface;
        const SearchRunResult result = RunSearch(Inputs(c.attribute, c.compare), surface);
        EXPECT_EQ(surface.log, c.log) << c.name;
        EXPECT_EQ(result.duplicateCount, c.log.size()) << c.name;
    }
}

TEST_F(CompareRunTest, SeveralAttributesShareTheFilterAndTheValueList)
{
    RecordingSurface surface;
    const SearchRunResult result =
        RunSearch(Inputs("mail", Options(MatchRule::Case, true, {"Telephone Number"}, Uniqueness::AcrossAll)), surface);
    EXPECT_EQ(result.filter.display, "((Base Class=User) AND ((mail PRESENT) OR (Telephone Number PRESENT)))");
    ASSERT_EQ(surface.values.size(), 6u);
    EXPECT_EQ(surface.values[0], "mail: ann@example.org\r\nTelephone Number: +1 555-0101");
    EXPECT_EQ(surface.values[2], "mail: ÄNN@example.org");

    SearchRunInputs combination =
        Inputs("mail", Options(MatchRule::Case, false, {"Telephone Number"}, Uniqueness::Combination));
    EXPECT_EQ(ComposeCompareFilter(combination).display,
        "((Base Class=User) AND ((mail PRESENT) AND (Telephone Number PRESENT)))");
    combination.classText.clear();
    EXPECT_EQ(ComposeCompareFilter(combination).text, "(((mail #PRESENT#) #AND# (Telephone Number #PRESENT#)))");
}

TEST_F(CompareRunTest, GroupsHoldEveryObjectOfAValueOnce)
{
    RecordingSurface surface;
    const SearchRunResult result = RunSearch(Inputs("proxyAddresses", Options(MatchRule::Case, true)), surface);
    struct Expected
    {
        std::string value;
        std::size_t count;
        Texts objects;
    };
    const std::vector<Expected> expected {
        {"a@example.org", 2, {"ann.People.Acme", "bob.People.Acme"}},
        {"B@example.org", 3, {"ann.People.Acme", "bob.People.Acme", "eve.People.Acme"}},
        {"N/A", 2, {"dan.People.Acme", "eve.People.Acme"}},
        {"dan@example.org", 2, {"dan.People.Acme", "fay.Old.Acme"}},
    };
    ASSERT_EQ(result.groups.size(), expected.size());
    for (std::size_t g = 0; g < expected.size(); ++g) {
        const ConflictGroup& group = result.groups[g];
        EXPECT_EQ(group.value, expected[g].value);
        EXPECT_EQ(group.ObjectCount(), expected[g].count) << group.value;
        Texts objects;
        for (const ConflictGroupMember& member : group.members) {
            objects.push_back(member.object);
            EXPECT_EQ(member.attribute, "proxyAddresses");
        }
        EXPECT_EQ(objects, expected[g].objects) << group.value;
    }
}

TEST_F(CompareRunTest, GroupsOfThePlainCheckAndOfAnObjectAgainstItself)
{
    RecordingSurface plain;
    const SearchRunResult plainResult = RunSearch(Inputs("userKey", CompareOptions {}), plain);
    ASSERT_EQ(plainResult.groups.size(), 1u);
    EXPECT_EQ(plainResult.groups[0].value, "Ann");
    ASSERT_EQ(plainResult.groups[0].members.size(), 2u);
    EXPECT_EQ(plainResult.groups[0].members[0].object, "ann.People.Acme");
    EXPECT_EQ(plainResult.groups[0].members[1].object, "bob.People.Acme");

    RecordingSurface self;
    const SearchRunResult selfResult =
        RunSearch(Inputs("mail", Options(MatchRule::Case, true, {"proxyAddresses"}, Uniqueness::AcrossAll)), self);
    const auto eve = std::find_if(selfResult.groups.begin(), selfResult.groups.end(),
        [](const ConflictGroup& group) { return group.value == "eve@example.org"; });
    ASSERT_NE(eve, selfResult.groups.end());
    EXPECT_EQ(eve->ObjectCount(), 1u);
    ASSERT_EQ(eve->members.size(), 2u);
    EXPECT_EQ(eve->members[0].attribute, "mail");
    EXPECT_EQ(eve->members[1].attribute, "proxyAddresses");
}

TEST_F(CompareRunTest, AbortInTheWarningBoxStopsAtTheFirstValue)
{
    RecordingSurface surface;
    surface.alert = AlertMode::Popup;
    surface.answers = {util::MessageBoxButton::Abort};
    const SearchRunResult result = RunSearch(Inputs("proxyAddresses", Options(MatchRule::Case, true)), surface);
    EXPECT_EQ(result.outcome, SearchRunOutcome::Aborted);
    EXPECT_EQ(surface.log, Texts {kEachProxy[0]});
    EXPECT_EQ(surface.TextsOf(util::MessageBoxKind::Warning), Texts {kEachProxy[0]});
    ASSERT_EQ(result.groups.size(), 1u);
    EXPECT_EQ(surface.values.size(), 2u);
}

TEST_F(CompareRunTest, ExcludedBasesLeaveTheirObjectsOutInEveryMode)
{
    CompareOptions compare;
    compare.excludedBases = {".PEOPLE.acme"};
    SearchRunInputs inputs = Inputs("mail", compare);
    inputs.mode = CheckMode::JustShow;
    RecordingSurface surface;
    RunSearch(inputs, surface);
    EXPECT_EQ(surface.objects, Texts {"fay.Old.Acme"});
    EXPECT_EQ(surface.values, Texts {"fay@example.org"});
}

TEST(CompareNamesTest, AtOrBelowComparesWholeNamesIgnoringCase)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"ann.People.Acme", "People.Acme", true},
        {".ann.People.Acme", ".people.acme", true},
        {"People.Acme", "People.Acme", true},
        {"ann.OldPeople.Acme", "People.Acme", false},
        {"ann.People\\.Acme", "Acme", false},
        {"Acme", "People.Acme", false},
        {"ann.People.Acme", "", false},
        {"CN=ann.OU=People.O=Acme", "ou=people.o=acme", true},
    };
    for (const auto& [name, base, below] : cases) {
        EXPECT_EQ(IsAtOrBelow(name, base), below) << name << " / " << base;
    }
}

} // namespace
} // namespace veralith::app

// The search run on a test tree (tests/data/run-tree.json), through a
// recording surface.

#include "app/run/duplicate_list.h"
#include "app/run/search_run.h"
#include "client/client.h"
#include "tests/app/recording_surface.h"
#include "tests/app/run_tree.h"
#include "util/collate.h"
#include "util/feedback.h"

#include <gtest/gtest.h>

namespace veralith::app {
namespace {

using util::MessageBoxButton;
using util::MessageBoxKind;
using Texts = std::vector<std::string>;

class SearchRunTest : public ::testing::Test
{
protected:
    void SetUp() override { OpenRunTree(m_session); }

    SearchRunInputs Inputs(const std::string& className, const std::string& attribute, CheckMode mode,
        const std::string& container = ".Sales.Acme", bool recurse = false) const
    {
        SearchRunInputs inputs;
        inputs.attributeName = attribute;
        inputs.attributeText = attribute;
        inputs.classText = className;
        inputs.classFlags = className == "runAux" ? kAuxiliaryClassFlag : 0;
        inputs.mode = mode;
        inputs.recurse = recurse;
        inputs.searchContext = m_session.search.get();
        inputs.containerName = container;
        return inputs;
    }

    CliSession m_session;
};

// ---- Filter composition -------------------------------------------------

struct FilterCase
{
    const char* className;
    std::int32_t flags;
    const char* attribute;
    CheckMode mode;
    const char* text;
    const char* display;
};

TEST(ComposeFilterTest, ComposesClassAndModeClauses)
{
    const FilterCase cases[] = {
        {"User", 0, "GUID", CheckMode::Duplicates, "((Base Class=User) #AND# (GUID #PRESENT#))",
            "((Base Class=User) AND (GUID PRESENT))"},
        {"User", 0, "GUID", CheckMode::Present, "((Base Class=User) #AND# (GUID #PRESENT#))",
            "((Base Class=User) AND (GUID PRESENT))"},
        {"User", 0, "GUID", CheckMode::NotPresent, "((Base Class=User) #AND# (#NOT# (GUID #PRESENT#)))",
            "((Base Class=User) AND (NOT (GUID PRESENT)))"},
        {"User", 0, "GUID", CheckMode::JustShow, "((Base Class=User))", "((Base Class=User))"},
        {"runAux", 0x22, "runBadge", CheckMode::Duplicates, "((Aux Class=runAux) #AND# (runBadge #PRESENT#))",
            "((Aux Class=runAux) AND (runBadge PRESENT))"},
        {"", 0x20, "Surname", CheckMode::Present, "((Surname #PRESENT#))", "((Surname PRESENT))"},
        {"", 0, "Surname", CheckMode::NotPresent, "((#NOT# (Surname #PRESENT#)))", "((NOT (Surname PRESENT)))"},
        {"", 0, "", CheckMode::Duplicates, "", ""},
        {"", 0, "Surname", CheckMode::JustShow, "", ""},
        {"User", 0x1F, "", CheckMode::NotPresent, "((Base Class=User))", "((Base Class=User))"},
        {"A#B", 0, "", CheckMode::Duplicates, "((Base Class=A#B))", "((Base Class=AB))"},
    };
    for (const FilterCase& c : cases) {
        const ComposedFilter filter = ComposeFilter(c.className, c.flags, c.attribute, c.mode);
        EXPECT_EQ(filter.text, c.text) << c.className << "/" << c.attribute;
        EXPECT_EQ(filter.display, c.display) << c.className << "/" << c.attribute;
    }
}

// ---- Duplicate list -----------------------------------------------------

TEST(DuplicateListTest, RefusesEqualTextsIgnoringCaseAndNamesTheFirstHolder)
{
    DuplicateList list;
    EXPECT_EQ(list.Add("Miller", 0), std::nullopt);
    EXPECT_EQ(list.Add("Jones", 1), std::nullopt);
    EXPECT_EQ(list.Add("MILLER", 2), 0);
    EXPECT_EQ(list.Add("miller", 3), 0);
    EXPECT_EQ(list.Add("jones", 4), 1);
    EXPECT_EQ(list.Add("Miller ", 5), std::nullopt);
    EXPECT_EQ(list.Add("1\r\n2", 6), std::nullopt);
    EXPECT_EQ(list.Add("1", 7), std::nullopt);
    EXPECT_EQ(list.Add("2\r\n1", 8), std::nullopt);
    EXPECT_EQ(list.Add("1\r\n2", 9), 6);
    EXPECT_EQ(list.Add("", 10), std::nullopt);
    EXPECT_EQ(list.Add(std::string("a\0b", 3), 11), std::nullopt);
    EXPECT_EQ(list.Add(std::string("A\0B", 3), 12), 11);
    EXPECT_EQ(list.Add("a", 13), std::nullopt);
    EXPECT_EQ(list.Count(), 9u);
}

TEST(DuplicateListTest, EqualExactlyWhenTheSortingComparisonFindsThemEqual)
{
    const std::string texts[] = {"Miller", "MILLER", "miller ", "M\xC3\xBCller", "M\xC3\x9Cller",
        "Stra\xC3\x9F"
        "e",
        "STRASSE", "strasse", std::string("a\0b", 3), std::string("A\0B", 3), std::string("a\0c", 3), "a", "", "1\r\n2",
        "1\r\n2 ", "[x]", "{X}", "@", "`"};
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            DuplicateList list;
            ASSERT_EQ(list.Add(a, 1), std::nullopt);
            const std::optional<std::int32_t> found = list.Add(b, 2);
            EXPECT_EQ(found.has_value(), util::SameTextForSorting(a, b)) << a << " / " << b;
        }
    }
}

TEST(DuplicateListTest, ManyDistinctValuesAreAllKept)
{
    DuplicateList list;
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(list.Add("value " + std::to_string(i), i), std::nullopt);
    }
    EXPECT_EQ(list.Add("VALUE 4321", 9999), 4321);
    EXPECT_EQ(list.Count(), 5000u);
}

// ---- The run ------------------------------------------------------------

TEST_F(SearchRunTest, DuplicatesIgnoreCaseAndNameTheFirstObjectTwice)
{
    RecordingSurface surface;
    const SearchRunResult result = RunSearch(Inputs("", "Surname", CheckMode::Duplicates), surface);

    EXPECT_EQ(result.outcome, SearchRunOutcome::Completed);
    EXPECT_EQ(result.filter.text, "((Surname #PRESENT#))");
    EXPECT_EQ(result.searchResult, 0);
    EXPECT_EQ(surface.objects,
        (Texts {"adams.Sales.Acme", "baker.Sales.Acme", "clark.Sales.Acme", "davis.Sales.Acme", "ghost1.Sales.Acme",
            "ghost2.Sales.Acme"}));
    // The aliases' reads go to objects without a surname and fail: empty entries.
    EXPECT_EQ(surface.values, (Texts {"Miller", "MILLER", "Miller", "Jones", "", ""}));
    EXPECT_EQ(surface.log,
        (Texts {"baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)",
            "clark.Sales.Acme / adams.Sales.Acme: (Surname = Miller)"}));
    ASSERT_EQ(surface.duplicates.size(), 2u);
    EXPECT_EQ(surface.duplicates[1].object, "clark.Sales.Acme");
    EXPECT_EQ(surface.duplicates[1].earlier, "adams.Sales.Acme");
    EXPECT_EQ(surface.duplicates[1].attribute, "Surname");
    EXPECT_EQ(surface.duplicates[1].value, "Miller");
    // Log Message: no box at all, and no "No duplicates found" after duplicates.
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_EQ(result.duplicateCount, 2u);
    EXPECT_NE(result.lastResult, 0); // the last read (ghost2) failed
}

TEST_F(SearchRunTest, FailedReadsAreNeverDuplicates)
{
    // Both aliases carry the same surname themselves, but reading through
    // them fails: they must not pair with each other or with anything.
    RecordingSurface surface;
    RunSearch(Inputs("Alias", "Surname", CheckMode::Duplicates), surface);
    EXPECT_EQ(surface.objects, (Texts {"ghost1.Sales.Acme", "ghost2.Sales.Acme"}));
    EXPECT_EQ(surface.values, (Texts {"", ""}));
    EXPECT_TRUE(surface.log.empty());
    EXPECT_EQ(surface.TextsOf(MessageBoxKind::Information), (Texts {"No duplicates found"}));
}

TEST_F(SearchRunTest, MultiValuedValuesAreComparedWhole)
{
    RecordingSurface surface;
    RunSearch(Inputs("User", "Telephone Number", CheckMode::Duplicates), surface);
    EXPECT_EQ(
        surface.objects, (Texts {"adams.Sales.Acme", "baker.Sales.Acme", "clark.Sales.Acme", "davis.Sales.Acme"}));
    EXPECT_EQ(surface.values, (Texts {"1\r\n2", "1\r\n2", "2\r\n1", "1"}));
    EXPECT_EQ(surface.log, (Texts {"baker.Sales.Acme / adams.Sales.Acme: (Telephone Number = 1\r\n2)"}));
}

TEST_F(SearchRunTest, RecurseSearchesTheSubtree)
{
    RecordingSurface surface;
    RunSearch(Inputs("User", "Surname", CheckMode::Duplicates, ".Sales.Acme", true), surface);
    EXPECT_EQ(surface.log,
        (Texts {"baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)",
            "clark.Sales.Acme / adams.Sales.Acme: (Surname = Miller)",
            "erin.East.Sales.Acme / adams.Sales.Acme: (Surname = miller)"}));
}

TEST_F(SearchRunTest, PopupAbortStopsTheLoopAtOnce)
{
    RecordingSurface surface;
    surface.alert = AlertMode::Popup;
    surface.answers = {MessageBoxButton::Abort};
    const SearchRunResult result = RunSearch(Inputs("", "Surname", CheckMode::Duplicates), surface);

    EXPECT_EQ(result.outcome, SearchRunOutcome::Aborted);
    EXPECT_EQ(surface.objects.size(), 6u);
    // baker is the second object: no value entries after it.
    EXPECT_EQ(surface.values, (Texts {"Miller", "MILLER"}));
    EXPECT_EQ(surface.log, (Texts {"baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)"}));
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].kind, MessageBoxKind::Warning);
    EXPECT_EQ(surface.messages[0].text, "baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)");
    EXPECT_EQ(surface.statusTexts.back(), "");
}

TEST_F(SearchRunTest, PopupOkGoesOnAndAlertIsReadAtEveryDuplicate)
{
    RecordingSurface surface;
    surface.alert = AlertMode::Popup;
    surface.answers = {MessageBoxButton::Ok};
    // The user switches to Log Message while the first box is open.
    surface.onMessage = [](RecordingSurface& s, MessageBoxKind) { s.alert = AlertMode::LogMessage; };
    const SearchRunResult result = RunSearch(Inputs("User", "Surname", CheckMode::Duplicates), surface);

    EXPECT_EQ(result.outcome, SearchRunOutcome::Completed);
    EXPECT_EQ(surface.values.size(), 4u);
    EXPECT_EQ(surface.log.size(), 2u);
    EXPECT_EQ(
        surface.TextsOf(MessageBoxKind::Warning), (Texts {"baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)"}));
    EXPECT_TRUE(surface.TextsOf(MessageBoxKind::Information).empty());
}

TEST_F(SearchRunTest, NoDuplicatesFoundIsShownOnce)
{
    RecordingSurface surface;
    surface.alert = AlertMode::Popup;
    RunSearch(Inputs("User", "Description", CheckMode::Duplicates), surface);
    // adams, baker, clark have distinct descriptions; nosur1/nosur2 are
    // duplicates of each other.
    EXPECT_EQ(surface.log, (Texts {"nosur2.Sales.Acme / nosur1.Sales.Acme: (Description = no surname)"}));

    RecordingSurface unique;
    RunSearch(Inputs("runAux", "runBadge", CheckMode::Duplicates), unique);
    EXPECT_EQ(unique.objects, (Texts {"davis.Sales.Acme"}));
    EXPECT_EQ(unique.values, (Texts {"B-7"}));
    EXPECT_EQ(unique.messages.size(), 1u);
    EXPECT_EQ(unique.TextsOf(MessageBoxKind::Information), (Texts {"No duplicates found"}));
}

TEST_F(SearchRunTest, EmptyFilterNoMatchMessageHasEmptyDisplayForm)
{
    RecordingSurface surface;
    surface.log = {"old line"};
    const SearchRunResult result = RunSearch(Inputs("", "", CheckMode::JustShow, ".Empty.Acme"), surface);
    EXPECT_EQ(result.outcome, SearchRunOutcome::NoMatch);
    EXPECT_EQ(result.filter.text, "");
    EXPECT_EQ(surface.TextsOf(MessageBoxKind::Information), (Texts {"No matching objects found - Filter: "}));
    EXPECT_TRUE(surface.log.empty());
    EXPECT_TRUE(surface.objects.empty());
    EXPECT_TRUE(surface.values.empty());
}

TEST_F(SearchRunTest, NoMatchMessageShowsTheDisplayForm)
{
    RecordingSurface surface;
    RunSearch(Inputs("User", "Surname", CheckMode::Present, ".Empty.Acme"), surface);
    EXPECT_EQ(surface.TextsOf(MessageBoxKind::Information),
        (Texts {"No matching objects found - Filter: ((Base Class=User) AND (Surname PRESENT))"}));
}

TEST_F(SearchRunTest, JustShowAddsNoAttributeClause)
{
    RecordingSurface surface;
    const SearchRunResult result = RunSearch(Inputs("User", "Surname", CheckMode::JustShow), surface);
    EXPECT_EQ(result.filter.text, "((Base Class=User))");
    // Users without a surname are found too; their value entries are empty.
    EXPECT_EQ(surface.objects,
        (Texts {"adams.Sales.Acme", "baker.Sales.Acme", "clark.Sales.Acme", "davis.Sales.Acme", "nosur1.Sales.Acme",
            "nosur2.Sales.Acme"}));
    EXPECT_EQ(surface.values, (Texts {"Miller", "MILLER", "Miller", "Jones", "", ""}));
    EXPECT_TRUE(surface.log.empty());
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(SearchRunTest, PresentListsValuesWithoutDuplicateCheck)
{
    RecordingSurface surface;
    RunSearch(Inputs("User", "Surname", CheckMode::Present), surface);
    EXPECT_EQ(surface.values, (Texts {"Miller", "MILLER", "Miller", "Jones"}));
    EXPECT_TRUE(surface.log.empty());
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(SearchRunTest, NotPresentListsObjectsOnly)
{
    RecordingSurface surface;
    surface.values = {"stale"};
    const SearchRunResult result = RunSearch(Inputs("User", "Surname", CheckMode::NotPresent), surface);
    EXPECT_EQ(result.outcome, SearchRunOutcome::Completed);
    EXPECT_EQ(surface.objects, (Texts {"nosur1.Sales.Acme", "nosur2.Sales.Acme"}));
    EXPECT_TRUE(surface.values.empty());
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(SearchRunTest, GuardStopsEveryComparingModeWithoutAttribute)
{
    for (const CheckMode mode : {CheckMode::Duplicates, CheckMode::Present, CheckMode::NotPresent}) {
        RecordingSurface surface;
        surface.objects = {"kept"};
        surface.values = {"kept value"};
        surface.log = {"kept line"};
        const std::uint64_t calls = client::GetClientCallCount();
        const SearchRunResult result = RunSearch(Inputs("User", "", mode), surface);
        EXPECT_EQ(result.outcome, SearchRunOutcome::NoAttribute);
        EXPECT_EQ(client::GetClientCallCount(), calls);
        EXPECT_EQ(surface.TextsOf(MessageBoxKind::Information), (Texts {"Please select an attribute for comparison"}));
        EXPECT_EQ(surface.objects, (Texts {"kept"}));
        EXPECT_EQ(surface.values, (Texts {"kept value"}));
        EXPECT_EQ(surface.log, (Texts {"kept line"}));
        EXPECT_EQ(surface.resultsShown, 0);
        EXPECT_TRUE(surface.runningChanges.empty());
    }
}

TEST_F(SearchRunTest, JustShowRunsWithoutAttribute)
{
    // Reading no attribute finds none: empty values, and no failure.
    RecordingSurface show;
    const SearchRunResult result = RunSearch(Inputs("User", "", CheckMode::JustShow), show);
    EXPECT_EQ(result.outcome, SearchRunOutcome::Completed);
    EXPECT_EQ(result.readFailures, 0u);
    EXPECT_EQ(show.values, Texts(6, ""));
    EXPECT_TRUE(show.messages.empty());
}

TEST_F(SearchRunTest, FailedSearchIsReportedAndNeverEndsClean)
{
    for (const CheckMode mode :
        {CheckMode::Duplicates, CheckMode::Present, CheckMode::NotPresent, CheckMode::JustShow}) {
        RecordingSurface surface;
        const SearchRunResult result = RunSearch(Inputs("User", "Surname", mode, ".Nowhere.Acme"), surface);
        EXPECT_EQ(result.outcome, SearchRunOutcome::Failed);
        EXPECT_NE(result.searchResult, 0);
        EXPECT_TRUE(surface.objects.empty());
        EXPECT_TRUE(surface.TextsOf(MessageBoxKind::Information).empty());
        EXPECT_EQ(surface.TextsOf(MessageBoxKind::Warning), (Texts {result.error}));
        EXPECT_EQ(result.error.rfind("SearchObjectNames returned error 0xFFFFFDA7", 0), 0u) << result.error;
    }
}

TEST_F(SearchRunTest, StatusShowsProgressAndIsClearedCursorComesBack)
{
    std::vector<util::CursorId> cursors;
    util::FeedbackHooks hooks;
    hooks.currentCursor = [] { return util::CursorId(7); };
    hooks.setCursor = [&](util::CursorId cursor) { cursors.push_back(cursor); };
    util::ScopedFeedbackHooks installed(hooks);

    RecordingSurface surface;
    RunSearch(Inputs("User", "Surname", CheckMode::Present), surface);
    EXPECT_EQ(surface.statusTexts,
        (Texts {"adams.Sales.Acme: Miller", "baker.Sales.Acme: MILLER", "clark.Sales.Acme: Miller",
            "davis.Sales.Acme: Jones", ""}));
    EXPECT_EQ(surface.pendingMessagesProcessed, 4);
    EXPECT_EQ(surface.resultsShown, 1);
    EXPECT_EQ(cursors, (std::vector<util::CursorId> {util::kHourglassCursor, 7}));
    EXPECT_EQ(surface.runningChanges, (std::vector<bool> {true, false}));
    EXPECT_FALSE(surface.IsRunning());
}

TEST_F(SearchRunTest, SecondRunDuringARunIsRefused)
{
    RecordingSurface surface;
    std::vector<SearchRunOutcome> inner;
    const SearchRunInputs inputs = Inputs("User", "Surname", CheckMode::Duplicates);
    surface.onPendingMessages = [&](RecordingSurface& s) { inner.push_back(RunSearch(inputs, s).outcome); };
    const SearchRunResult result = RunSearch(inputs, surface);
    EXPECT_EQ(result.outcome, SearchRunOutcome::Completed);
    EXPECT_EQ(inner, std::vector<SearchRunOutcome>(4, SearchRunOutcome::AlreadyRunning));
    EXPECT_EQ(surface.values.size(), 4u);
    EXPECT_EQ(surface.log.size(), 2u);
}

TEST_F(SearchRunTest, ObjectListClearedDuringTheRunStopsTheLoop)
{
    RecordingSurface surface;
    surface.onPendingMessages = [](RecordingSurface& s) {
        if (s.values.size() == 2) {
            s.objects.clear();
        }
    };
    const SearchRunResult result = RunSearch(Inputs("User", "Surname", CheckMode::Duplicates), surface);
    EXPECT_EQ(result.outcome, SearchRunOutcome::ListCleared);
    EXPECT_EQ(surface.values.size(), 2u);
    // baker's duplicate could not name its earlier object any more: no line.
    EXPECT_TRUE(surface.log.empty());
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_FALSE(surface.IsRunning());
}

TEST_F(SearchRunTest, ErrorRaisedInTheLoopRestoresTheSurface)
{
    RecordingSurface surface;
    surface.onPendingMessages = [](RecordingSurface&) { throw std::runtime_error("list failure"); };
    EXPECT_THROW(RunSearch(Inputs("User", "Surname", CheckMode::Present), surface), std::runtime_error);
    EXPECT_FALSE(surface.IsRunning());
    EXPECT_EQ(surface.statusTexts.back(), "");
    EXPECT_EQ(surface.runningChanges, (std::vector<bool> {true, false}));
}

} // namespace
} // namespace veralith::app

// The search run behind the window's Search button, on tests/data/run-tree.json,
// clicked offscreen and answered by scripted dialogs.

#include "client/forwarding_service.h"
#include "client/memory/loader.h"
#include "client/notices.h"
#include "platform/ini_file.h"
#include "settings/radio_group.h"
#include "settings/settings_file.h"
#include "util/collate.h"
#include "util/feedback.h"
#include "window_fixture.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>

namespace veralith::app::testing {
namespace {

using Texts = std::vector<std::string>;
using util::MessageBoxButton;
using util::MessageBoxKind;

class WindowSearchRunTest : public WindowTest
{
protected:
    // The window on the run tree at .Sales.Acme with class User, the
    // attribute and the check mode chosen.
    void Prepare(const std::string& attribute, int mode, int alert)
    {
        Start({TestDataFile("run-tree.json")});
        ShowPage(m_form->TabSheetSelector);
        UserDoubleClick(m_form->ListBoxContainers, "Sales");
        ASSERT_EQ(m_form->CurrentContainer(), ".Sales.Acme");
        UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf("User"));
        m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf(attribute));
        ASSERT_EQ(m_form->ComboBoxAttributes->Text(), attribute);
        m_form->RadioGroupAttributeCheck->SetItemIndex(mode);
        m_form->RadioGroupAlert->SetItemIndex(alert);
        m_dialogs.Forget();
    }

    void ClickSearch() { QTest::mouseClick(m_form->BitBtnSearch, Qt::LeftButton); }

    Texts MessageTexts(MessageBoxKind kind) const
    {
        Texts texts;
        for (const ShownMessage& message : m_dialogs.Messages()) {
            if (message.kind == kind) {
                texts.push_back(message.text.toStdString());
            }
        }
        return texts;
    }
};

const Texts kSalesUsers {"adams.Sales.Acme", "baker.Sales.Acme", "clark.Sales.Acme", "davis.Sales.Acme"};
const Texts kSurnameLines {"baker.Sales.Acme / adams.Sales.Acme: (Surname = MILLER)",
    "clark.Sales.Acme / adams.Sales.Acme: (Surname = Miller)"};

TEST_F(WindowSearchRunTest, SearchFillsTheResultListsAndWarnsPerDuplicate)
{
    Prepare("Surname", 0, 0);
    ClickSearch();
    EXPECT_EQ(m_form->PageControl->currentWidget(), m_form->TabSheetResults);
    EXPECT_EQ(Entries(m_form->ListBoxObjects), kSalesUsers);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes), (Texts {"Miller", "MILLER", "Miller", "Jones"}));
    EXPECT_EQ(Entries(m_form->ListBoxLog), kSurnameLines);
    ASSERT_EQ(m_dialogs.Messages().size(), 2u);
    EXPECT_EQ(m_dialogs.Messages()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(MessageTexts(MessageBoxKind::Warning), kSurnameLines);
    EXPECT_EQ(m_form->StatusText(), "");
    EXPECT_TRUE(m_form->BitBtnSearch->isEnabled());
    EXPECT_EQ(m_form->LastResult(), 0);
}

TEST_F(WindowSearchRunTest, SearchButtonIsLockedDuringTheRunAndASecondRunIsRefused)
{
    Prepare("Surname", 0, 0);
    std::vector<bool> enabledDuringBoxes;
    util::FeedbackHooks windowHooks = util::SetFeedbackHooks({});
    util::FeedbackHooks probing = windowHooks;
    probing.showMessageBox = [&](MessageBoxKind kind, const std::string& title, const std::string& text) {
        enabledDuringBoxes.push_back(m_form->BitBtnSearch->isEnabled());
        // A click while the run waits in its box: refused, the lists stay as they are.
        ClickSearch();
        m_form->BitBtnSearchClick();
        return windowHooks.showMessageBox(kind, title, text);
    };
    util::SetFeedbackHooks(probing);
    ClickSearch();
    util::SetFeedbackHooks(windowHooks);

    EXPECT_EQ(enabledDuringBoxes, (std::vector<bool> {false, false}));
    EXPECT_EQ(Entries(m_form->ListBoxObjects), kSalesUsers);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes).size(), 4u);
    EXPECT_EQ(Entries(m_form->ListBoxLog), kSurnameLines);
    EXPECT_TRUE(m_form->BitBtnSearch->isEnabled());
}

// A close that comes while a directory call waits for a server (the wait
// hook repaints the window then) is put off until the call has returned: it
// would free the context the call works on.
TEST_F(WindowSearchRunTest, ClosingWhileTheDirectoryWaitsClosesOnceTheCallHasReturned)
{
    Prepare("Surname", 0, 0);
    ASSERT_NE(m_form->SearchContext(), client::kNoContext);
    QCoreApplication::postEvent(m_form.get(), new QCloseEvent);
    client::Waiting(); // as a call that waits does: the window's hook runs
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_NE(m_form->SearchContext(), client::kNoContext);
    QCoreApplication::processEvents(); // the call has returned
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->SearchContext(), client::kNoContext);
}

TEST_F(WindowSearchRunTest, ClosingTheWindowDuringARunStopsIt)
{
    Prepare("Surname", 0, 0);
    util::FeedbackHooks windowHooks = util::SetFeedbackHooks({});
    util::FeedbackHooks closing = windowHooks;
    closing.showMessageBox = [&](MessageBoxKind kind, const std::string& title, const std::string& text) {
        m_form->close();
        return windowHooks.showMessageBox(kind, title, text);
    };
    util::SetFeedbackHooks(closing);
    m_form->BitBtnSearchClick();
    util::SetFeedbackHooks(windowHooks);

    // The first duplicate's box was the last thing shown: no later value, no later box.
    EXPECT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes), (Texts {"Miller", "MILLER"}));
    EXPECT_EQ(m_form->SearchContext(), client::kNoContext);
}

TEST_F(WindowSearchRunTest, AbortLeavesLaterObjectsWithoutValues)
{
    Prepare("Surname", 0, 0);
    m_dialogs.SetNextAnswer(MessageBoxButton::Abort);
    ClickSearch();
    EXPECT_EQ(Entries(m_form->ListBoxObjects), kSalesUsers);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes), (Texts {"Miller", "MILLER"}));
    EXPECT_EQ(Entries(m_form->ListBoxLog), (Texts {kSurnameLines[0]}));
    EXPECT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_TRUE(MessageTexts(MessageBoxKind::Information).empty());

    // An object beyond the last one read has no value to select.
    m_form->ListBoxAttributes->SetItemIndex(1);
    UserClick(m_form->ListBoxObjects, 3);
    EXPECT_EQ(m_form->ListBoxAttributes->ItemIndex(), -1);
    UserClick(m_form->ListBoxObjects, 1);
    EXPECT_EQ(m_form->ListBoxAttributes->ItemIndex(), 1);
}

TEST_F(WindowSearchRunTest, LogMessageShowsNoBoxAndRecurseFollowsTheCheckBox)
{
    Prepare("Surname", 0, 1);
    m_form->CheckBoxRecurse->setChecked(true);
    ClickSearch();
    EXPECT_TRUE(m_dialogs.Messages().empty());
    Texts lines = kSurnameLines;
    lines.push_back("erin.East.Sales.Acme / adams.Sales.Acme: (Surname = miller)");
    EXPECT_EQ(Entries(m_form->ListBoxLog), lines);
}

TEST_F(WindowSearchRunTest, GuardAndMessagesUseTheApplicationTitle)
{
    Prepare("Surname", 1, 0);
    ClickSearch(); // Present: values listed, nothing shown
    const Texts values = Entries(m_form->ListBoxAttributes);
    EXPECT_EQ(values.size(), 4u);
    EXPECT_TRUE(m_dialogs.Messages().empty());

    m_form->ComboBoxAttributes->SetItemIndex(-1);
    ShowPage(m_form->TabSheetSelector);
    ClickSearch();
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages()[0].text, QStringLiteral("Please select an attribute for comparison"));
    EXPECT_EQ(m_dialogs.Messages()[0].caption, QString::fromUtf8(TMainForm::kCaption));
    // Nothing else changed: the page, the lists.
    EXPECT_EQ(m_form->PageControl->currentWidget(), m_form->TabSheetSelector);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes), values);

    m_form->RadioGroupAttributeCheck->SetItemIndex(0);
    m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf("Description"));
    m_dialogs.Forget();
    ClickSearch();
    // nosur1 and nosur2 share their description.
    EXPECT_EQ(
        Entries(m_form->ListBoxLog), (Texts {"nosur2.Sales.Acme / nosur1.Sales.Acme: (Description = no surname)"}));
}

TEST_F(WindowSearchRunTest, NoMatchShowsTheFilterAndNoDuplicatesIsReported)
{
    Prepare("Surname", 0, 0);
    m_form->ComboBoxClasses->SetItemIndex(m_form->ComboBoxClasses->Items().IndexOf("Organizational Unit"));
    ClickSearch();
    EXPECT_EQ(MessageTexts(MessageBoxKind::Information),
        (Texts {"No matching objects found - Filter: ((Base Class=Organizational Unit) AND (Surname PRESENT))"}));
    EXPECT_TRUE(Entries(m_form->ListBoxObjects).empty());
    EXPECT_TRUE(Entries(m_form->ListBoxAttributes).empty());

    // An auxiliary class gives an "Aux Class" test.
    ShowPage(m_form->TabSheetSelector);
    UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf("runAux"));
    m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf("runBadge"));
    ASSERT_EQ(m_form->ComboBoxAttributes->Text(), "runBadge");
    m_dialogs.Forget();
    ClickSearch();
    EXPECT_EQ(Entries(m_form->ListBoxObjects), (Texts {"davis.Sales.Acme"}));
    EXPECT_EQ(Entries(m_form->ListBoxAttributes), (Texts {"B-7"}));
    EXPECT_EQ(MessageTexts(MessageBoxKind::Information), (Texts {"No duplicates found"}));
}

// The run tree behind a service that fails where a test says: the reads of
// the objects whose names start with failReadsOf, or the search (after
// calling onSearch, which may close the window).
class FailingService : public client::ForwardingService
{
public:
    explicit FailingService(std::shared_ptr<client::DirectoryService> inner)
        : ForwardingService(std::move(inner))
    { }
    client::DirResult ReadAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<client::AttributeData>* attributes) override
    {
        if (!failReadsOf.empty() && fullName.find(failReadsOf) != std::string_view::npos) {
            return client::ERR_TRANSPORT_FAILURE;
        }
        return ForwardingService::ReadAttributes(fullName, names, attributes);
    }
    client::DirResult OpenSearch(std::string_view base, std::int32_t scope, const client::FilterNode* filter,
        std::unique_ptr<client::ObjectCursor>* cursor) override
    {
        if (onSearch) {
            onSearch();
        }
        if (failSearch) {
            return client::ERR_TRANSPORT_FAILURE;
        }
        return ForwardingService::OpenSearch(base, scope, filter, cursor);
    }

    std::string failReadsOf;
    bool failSearch = false;
    std::function<void()> onSearch;
};

class WindowSearchFailureTest : public WindowSearchRunTest
{
protected:
    void SetUp() override
    {
        WindowSearchRunTest::SetUp();
        std::shared_ptr<client::DirectoryService> tree;
        std::string error;
        ASSERT_TRUE(client::memory::LoadTreeSource(TestDataFile("run-tree.json"), &tree, &error)) << error;
        m_service = std::make_shared<FailingService>(tree);
        client::SetTreeServices({m_service});
    }
    void TearDown() override
    {
        WindowSearchRunTest::TearDown();
        client::SetTreeServices({});
    }
    Texts LogEntries() const { return Entries(m_form->ListBoxLog); }

    std::shared_ptr<FailingService> m_service;
};

TEST_F(WindowSearchFailureTest, ReadsThatFailAreCountedAndReportedNeverClean)
{
    // Log Message: the duplicate goes to the log only, the failure to its box.
    Prepare("Surname", 0, 1);
    m_service->failReadsOf = "baker.";
    ClickSearch();
    EXPECT_EQ(Entries(m_form->ListBoxObjects), kSalesUsers);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes), (Texts {"Miller", "", "Miller", "Jones"}));
    EXPECT_TRUE(MessageTexts(MessageBoxKind::Information).empty());
    const Texts warnings = MessageTexts(MessageBoxKind::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("1 of 4 objects could not be read (first baker.Sales.Acme)"), std::string::npos)
        << warnings[0];
    EXPECT_NE(warnings[0].find("ERR_TRANSPORT_FAILURE"), std::string::npos) << warnings[0];
    EXPECT_EQ(LogEntries(), (Texts {kSurnameLines[1], warnings[0]}));
}

TEST_F(WindowSearchFailureTest, ASearchThatFailsIsReportedInEveryMode)
{
    for (const int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        Prepare("Surname", mode, 0);
        m_service->failSearch = true;
        ClickSearch();
        m_service->failSearch = false;
        EXPECT_TRUE(MessageTexts(MessageBoxKind::Information).empty());
        const Texts warnings = MessageTexts(MessageBoxKind::Warning);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind("SearchObjectNames returned error", 0), 0u) << warnings[0];
        EXPECT_NE(warnings[0].find("the connection to the directory server failed or was lost"), std::string::npos);
        EXPECT_EQ(LogEntries(), warnings);
        m_form.reset();
    }
}

TEST_F(WindowSearchFailureTest, ClosingTheWindowDuringTheSearchShowsNothing)
{
    for (const int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        Prepare("Surname", mode, 0);
        // The search takes longer than the window's pace of event processing,
        // so the window processes its events while the search runs; the user
        // closes it then.
        m_service->onSearch = [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); };
        util::FeedbackHooks windowHooks = util::SetFeedbackHooks({});
        util::FeedbackHooks closing = windowHooks;
        bool closed = false;
        closing.processPendingMessages = [&] {
            if (!closed) {
                closed = true;
                m_form->close();
            }
        };
        util::SetFeedbackHooks(closing);
        m_form->BitBtnSearchClick();
        util::SetFeedbackHooks(windowHooks);
        m_service->onSearch = nullptr;

        EXPECT_TRUE(closed);
        EXPECT_TRUE(m_dialogs.Messages().empty()) << m_dialogs.Messages().front().text.toStdString();
        EXPECT_EQ(m_form->SearchContext(), client::kNoContext);
        m_form.reset();
        // The next window starts afresh, not in the container this one saved.
        QFile::remove(QString::fromStdString(platform::ResolveProfilePath(settings::SettingsFileName())));
    }
}

TEST_F(WindowSearchRunTest, DuplicatesWithoutAttributeAreRefusedWithTheGuard)
{
    Prepare("Surname", 0, 0);
    m_form->ComboBoxAttributes->SetItemIndex(-1);
    ShowPage(m_form->TabSheetSelector);
    ClickSearch();
    EXPECT_EQ(MessageTexts(MessageBoxKind::Information), (Texts {"Please select an attribute for comparison"}));
    EXPECT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_form->PageControl->currentWidget(), m_form->TabSheetSelector);
    EXPECT_TRUE(Entries(m_form->ListBoxObjects).empty());
}

TEST_F(WindowSearchRunTest, AClassThatUnbalancesTheFilterIsAFailure)
{
    QTemporaryDir dir;
    const std::string tree = dir.filePath(QStringLiteral("team.json")).toStdString();
    std::ofstream(tree) << R"({ "format": "veralith-tree/1", "tree": "TEAM", "defaultNameContext": "Acme",
  "schema": { "classes": [ { "name": "Team (X", "superClasses": ["Top"], "containment": [], "naming": [],
                             "mandatory": [], "optional": ["Surname"] } ] },
  "objects": [ { "name": "Acme", "class": "Organization" },
               { "name": "t1.Acme", "class": "Team (X", "attributes": { "Surname": ["Same"] } } ] })";
    Start({tree});
    UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf("Team (X"));
    m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf("Surname"));
    ASSERT_EQ(m_form->ComboBoxAttributes->Text(), "Surname");
    m_dialogs.Forget();
    ClickSearch();
    EXPECT_TRUE(MessageTexts(MessageBoxKind::Information).empty());
    const Texts warnings = MessageTexts(MessageBoxKind::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("ERR_INVALID_FILTER_SYNTAX"), std::string::npos) << warnings[0];
}

// The directory's notices (an object left out, a reference not followed, a
// server limit) join the log after the run's own lines; with the window gone
// they go to whoever listened before.
TEST_F(WindowSearchRunTest, DirectoryNoticesGoToTheLog)
{
    Texts outside;
    client::ScopedNoticeHook recording([&outside](const std::string& text) { outside.push_back(text); });
    Prepare("Surname", 0, 0);
    ClickSearch();
    const Texts lines = Entries(m_form->ListBoxLog);
    const std::string notice = "ldap://ldap.example.org: \"cn=x,o=Acme\" is left out";
    client::Notice(notice);
    Texts expected = lines;
    expected.push_back(notice);
    EXPECT_EQ(Entries(m_form->ListBoxLog), expected);
    EXPECT_TRUE(outside.empty());
    m_form.reset();
    client::Notice(notice);
    EXPECT_EQ(outside, (Texts {notice}));
}

// ---- Progress on a larger tree ---------------------------------------------

// A tree whose searches take at least a millisecond for every 64 objects
// they name, so that a run passes the window's pump interval several times
// during its search however fast the machine (a release build searches the
// test's tree within one interval).
class PacedService : public client::ForwardingService
{
public:
    explicit PacedService(std::shared_ptr<client::DirectoryService> inner)
        : ForwardingService(std::move(inner))
    { }
    client::DirResult OpenSearch(std::string_view base, std::int32_t scope, const client::FilterNode* filter,
        std::unique_ptr<client::ObjectCursor>* cursor) override
    {
        std::unique_ptr<client::ObjectCursor> inner;
        const client::DirResult result = ForwardingService::OpenSearch(base, scope, filter, &inner);
        if (result == 0) {
            *cursor = std::make_unique<PacedCursor>(std::move(inner));
        }
        return result;
    }
    // The reads are paced too: a fast build reads 5,000 values between two
    // of the window's rounds of events, and a test could then see none of
    // the reading.
    client::DirResult ReadAttributes(std::string_view fullName, const std::vector<std::string>* names,
        std::vector<client::AttributeData>* attributes) override
    {
        if (++m_reads % 64 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return ForwardingService::ReadAttributes(fullName, names, attributes);
    }

private:
    std::uint32_t m_reads = 0;
    class PacedCursor : public client::ObjectCursor
    {
    public:
        explicit PacedCursor(std::unique_ptr<client::ObjectCursor> inner)
            : m_inner(std::move(inner))
        { }
        client::DirResult Next(client::ObjectSummary* entry, bool* done) override
        {
            if (++m_count % 64 == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return m_inner->Next(entry, done);
        }
        std::uint32_t Examined() const override { return m_inner->Examined(); }

    private:
        std::unique_ptr<client::ObjectCursor> m_inner;
        std::uint32_t m_count = 0;
    };
};

// A window on a generated tree of users (unit "Big", each with a surname),
// whose message pumping is observed during the run.
class WindowProgressTest : public WindowSearchRunTest
{
protected:
    static constexpr int kUsers = 5000;

    // What the window showed at one pump of the run.
    struct Seen
    {
        int objects;
        int values;
        std::string counts;
        bool barVisible;
    };

    void PrepareBig()
    {
        ASSERT_TRUE(m_treeDir.isValid());
        const QString path = m_treeDir.filePath(QStringLiteral("big.json"));
        std::string text = R"({"format": "veralith-tree/1", "tree": "BIG_TREE", "objects": [)"
                           R"({"name": "Big", "class": "Organization"})";
        for (int i = kUsers; i > 0; --i) { // out of order: the list sorts them
            text += R"(, {"name": "u)" + std::to_string(i) + R"(.Big", "class": "User", "attributes": )" +
                R"({"Surname": ["S)" + std::to_string(i % 97) + R"("]}})";
        }
        text += "]}";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();
        std::shared_ptr<client::DirectoryService> tree;
        std::string error;
        ASSERT_TRUE(client::memory::LoadTreeSource(path.toStdString(), &tree, &error)) << error;
        client::SetTreeServices({std::make_shared<PacedService>(tree)});
        Start({path.toStdString()});
        ShowPage(m_form->TabSheetSelector);
        UserDoubleClick(m_form->ListBoxContainers, "Big");
        ASSERT_EQ(m_form->CurrentContainer(), ".Big");
        UserSelect(m_form->ComboBoxClasses, m_form->ComboBoxClasses->Items().IndexOf("User"));
        m_form->ComboBoxAttributes->SetItemIndex(m_form->ComboBoxAttributes->Items().IndexOf("Surname"));
        m_form->RadioGroupAttributeCheck->SetItemIndex(3); // Just Show
        m_form->RadioGroupAlert->SetItemIndex(1);
    }

    // Runs the search with a pump hook that records what the window shows
    // and then calls act (when given) with the record so far.
    void RunObserved(const std::function<void(const std::vector<Seen>&)>& act = {})
    {
        util::FeedbackHooks windowHooks = util::SetFeedbackHooks({});
        util::FeedbackHooks observing = windowHooks;
        observing.processPendingMessages = [&] {
            if (m_seen.empty()) {
                // Long enough for the run to hand its first objects over
                // while the search still goes on.
                QThread::msleep(250);
            }
            m_seen.push_back(Seen {m_form->ListBoxObjects->Items().Count(), m_form->ListBoxAttributes->Items().Count(),
                m_form->StatusCounts->text().toStdString(), m_form->ProgressBarRun->isVisible()});
            if (act) {
                act(m_seen);
            }
            windowHooks.processPendingMessages();
        };
        util::SetFeedbackHooks(observing);
        ClickSearch();
        util::SetFeedbackHooks(windowHooks);
    }

    void TearDown() override
    {
        WindowSearchRunTest::TearDown();
        client::SetTreeServices({});
    }

    QTemporaryDir m_treeDir;
    std::vector<Seen> m_seen;
};

TEST_F(WindowProgressTest, ObjectsListFillsWhileTheSearchRuns)
{
    PrepareBig();
    RunObserved();

    ASSERT_FALSE(m_seen.empty());
    // Some pump saw objects listed while the search was far from its end:
    // the status bar's count of objects found (reported every 256) still
    // lower than what is found before the last report.
    const bool listedWhileSearching = std::any_of(m_seen.begin(), m_seen.end(), [](const Seen& seen) {
        const int found = seen.counts.empty() ? 0 : std::stoi(seen.counts);
        return seen.values == 0 && seen.objects > 0 && found < kUsers - 256;
    });
    EXPECT_TRUE(listedWhileSearching);
    // The counts followed the run, with the progress bar shown.
    EXPECT_TRUE(std::any_of(m_seen.begin(), m_seen.end(), [](const Seen& seen) {
        return seen.barVisible && seen.values > 0 && seen.counts.find("objects found") != std::string::npos;
    }));
    // Batches end in the same list as one sorted insertion.
    Texts sorted;
    for (int i = 1; i <= kUsers; ++i) {
        sorted.push_back("u" + std::to_string(i) + ".Big");
    }
    std::stable_sort(sorted.begin(), sorted.end(), util::TextSortLess());
    EXPECT_EQ(Entries(m_form->ListBoxObjects), sorted);
    EXPECT_EQ(Entries(m_form->ListBoxAttributes).size(), static_cast<std::size_t>(kUsers));
    EXPECT_EQ(m_form->StatusCounts->text().toStdString(), "5000 objects found, 5000 values read");
    EXPECT_FALSE(m_form->ProgressBarRun->isVisible());
    EXPECT_TRUE(m_form->BitBtnSearch->isEnabled());
    EXPECT_FALSE(m_form->BitBtnStop->isEnabled());
}

TEST_F(WindowProgressTest, StopButtonEndsTheRun)
{
    PrepareBig();
    EXPECT_FALSE(m_form->BitBtnStop->isEnabled());
    bool clicked = false;
    RunObserved([&](const std::vector<Seen>& seen) {
        if (!clicked && seen.back().values > 100) {
            EXPECT_FALSE(m_form->BitBtnSearch->isEnabled());
            ASSERT_TRUE(m_form->BitBtnStop->isEnabled());
            QTest::mouseClick(m_form->BitBtnStop, Qt::LeftButton);
            clicked = true;
        }
    });
    ASSERT_TRUE(clicked);
    const std::size_t values = Entries(m_form->ListBoxAttributes).size();
    EXPECT_GT(values, 100u);
    EXPECT_LT(values, static_cast<std::size_t>(kUsers));
    EXPECT_EQ(Entries(m_form->ListBoxObjects).size(), static_cast<std::size_t>(kUsers));
    EXPECT_TRUE(m_dialogs.Messages().empty());
    EXPECT_TRUE(m_form->BitBtnSearch->isEnabled());
}

} // namespace
} // namespace veralith::app::testing

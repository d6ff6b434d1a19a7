#include "util/feedback.h"

#include <gtest/gtest.h>
#include <vector>

using namespace veralith::util;

namespace {

struct ShownBox
{
    MessageBoxKind kind;
    std::string title;
    std::string text;
};

// Hooks that record every box and cursor change and answer with a set button.
struct Recorder
{
    std::vector<ShownBox> boxes;
    std::vector<CursorId> cursors;
    CursorId cursor = kDefaultCursor;
    int pumps = 0;
    MessageBoxButton answer = MessageBoxButton::Ok;

    FeedbackHooks Hooks()
    {
        FeedbackHooks hooks;
        hooks.processPendingMessages = [this] { ++pumps; };
        hooks.currentCursor = [this] { return cursor; };
        hooks.setCursor = [this](CursorId id) {
            cursor = id;
            cursors.push_back(id);
        };
        hooks.showMessageBox = [this](MessageBoxKind kind, const std::string& title, const std::string& text) {
            boxes.push_back({kind, title, text});
            return answer;
        };
        return hooks;
    }
};

} // namespace

TEST(FeedbackTest, ShowErrorCodeTexts)
{
    Recorder recorder;
    ScopedFeedbackHooks scope(recorder.Hooks());
    ShowErrorCode(0, "DSChangeCurrentTree");
    EXPECT_TRUE(recorder.boxes.empty());

    ShowErrorCode(31, "DSChangeCurrentTree");
    ShowErrorCode(35222, "DSChangeCurrentTree");
    ShowErrorCode(-601, "DSChangeCurrentTree");
    ASSERT_EQ(recorder.boxes.size(), 3u);
    EXPECT_EQ(recorder.boxes[0].text, "Error   1F: DSChangeCurrentTree");
    EXPECT_EQ(recorder.boxes[1].text, "Error 8996: DSChangeCurrentTree");
    EXPECT_EQ(recorder.boxes[2].text, "Error FFFFFDA7: DSChangeCurrentTree");
    for (const ShownBox& box : recorder.boxes) {
        EXPECT_EQ(box.kind, MessageBoxKind::Error);
        EXPECT_EQ(box.title, "Error");
    }
}

TEST(FeedbackTest, ErrorCodeWithPercentInTheOperationIsShownAsIs)
{
    Recorder recorder;
    ScopedFeedbackHooks scope(recorder.Hooks());
    ShowErrorCode(1, "50%s done");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "Error    1: 50%s done");
}

TEST(FeedbackTest, BoxTitlesAndAnswers)
{
    Recorder recorder;
    ScopedFeedbackHooks scope(recorder.Hooks());
    const std::string previousTitle = ApplicationTitle();
    SetApplicationTitle("Veralith: Find Objects with Duplicate Attribute Values (and more)");

    recorder.answer = MessageBoxButton::Abort;
    EXPECT_EQ(ShowMessageBox(MessageBoxKind::Warning, "dup"), MessageBoxButton::Abort);
    // Boxes with one button can only answer OK, whatever a hook claims.
    EXPECT_EQ(ShowMessageBox(MessageBoxKind::Information, "No duplicates found"), MessageBoxButton::Ok);
    EXPECT_EQ(ShowMessageBox(MessageBoxKind::Error, "bad"), MessageBoxButton::Ok);
    ASSERT_EQ(recorder.boxes.size(), 3u);
    EXPECT_EQ(recorder.boxes[0].title, "Warning");
    EXPECT_EQ(recorder.boxes[1].title, "Veralith: Find Objects with Duplicate Attribute Values (and more)");
    EXPECT_EQ(recorder.boxes[1].text, "No duplicates found");
    EXPECT_EQ(recorder.boxes[2].title, "Error");
    SetApplicationTitle(previousTitle);
}

TEST(FeedbackTest, BusyCursorPutsThePreviousCursorBack)
{
    Recorder recorder;
    ScopedFeedbackHooks scope(recorder.Hooks());
    recorder.cursor = 5;
    const CursorId saved = BeginBusyCursor();
    EXPECT_EQ(saved, 5);
    EXPECT_EQ(recorder.cursor, kHourglassCursor);
    {
        BusyCursorScope nested;
        EXPECT_EQ(recorder.cursor, kHourglassCursor);
    }
    EXPECT_EQ(recorder.cursor, kHourglassCursor);
    EndBusyCursor(saved);
    EXPECT_EQ(recorder.cursor, 5);
    ShowHourglass();
    EXPECT_EQ(recorder.cursor, -11);
    EXPECT_EQ(recorder.cursors, (std::vector<CursorId> {-11, -11, -11, 5, -11}));
}

TEST(FeedbackTest, HooksAreRestoredAndDefaultsAreQuiet)
{
    {
        Recorder recorder;
        ScopedFeedbackHooks scope(recorder.Hooks());
        ProcessPendingMessages();
        ProcessPendingMessages();
        EXPECT_EQ(recorder.pumps, 2);
    }
    // Defaults: nothing to pump, the cursor is remembered, boxes go to standard error.
    ProcessPendingMessages();
    const CursorId saved = BeginBusyCursor();
    EndBusyCursor(saved);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox(MessageBoxKind::Error, "text"), MessageBoxButton::Ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: text\n");
}

TEST(FeedbackTest, AHookMayReplaceTheHooksWhileItRuns)
{
    int boxes = 0;
    FeedbackHooks replacing;
    replacing.showMessageBox = [&boxes, big = std::string(1000, 'x')](
                                   MessageBoxKind, const std::string&, const std::string&) {
        ++boxes;
        SetFeedbackHooks({}); // destroys the installed copy of this hook
        return big.size() == 1000 ? MessageBoxButton::Abort : MessageBoxButton::Ok; // reads a capture afterwards
    };
    const FeedbackHooks previous = SetFeedbackHooks(replacing);
    EXPECT_EQ(ShowMessageBox(MessageBoxKind::Warning, "w"), MessageBoxButton::Abort);
    EXPECT_EQ(boxes, 1);
    SetFeedbackHooks(previous);
}

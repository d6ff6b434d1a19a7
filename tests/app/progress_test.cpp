// Progress of a search run: the command line's progress line (drawn in place,
// paced, erased) and what a surface hears from a run (phases, counts, stop).

#include "app/cli/progress_line.h"
#include "app/run/search_run.h"
#include "tests/app/recording_surface.h"
#include "tests/app/run_tree.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace veralith::app {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What was written to a stream so far.
class CapturedStream
{
public:
    CapturedStream()
        : m_file(open_memstream(&m_data, &m_size))
    { }
    ~CapturedStream()
    {
        std::fclose(m_file);
        std::free(m_data);
    }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    std::FILE* File() const { return m_file; }
    std::string Text()
    {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }

private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
};

RunProgress Searching(std::size_t found)
{
    return RunProgress {true, found, 0, 0};
}
RunProgress Reading(std::size_t found, std::size_t read)
{
    return RunProgress {false, found, read, found};
}

TEST(ProgressLineTest, TextNamesTheCountsAndTheRate)
{
    EXPECT_EQ(ProgressLine::Text(Searching(0), 0), "0 objects found, 0 values read");
    EXPECT_EQ(ProgressLine::Text(Reading(1200, 300), 1499.6), "1200 objects found, 300 values read, 1500/s");
}

// One step of a scripted progress line: at this time (ms from the start) the
// run reports this progress; the stream then holds these bytes more.
struct LineStep
{
    int atMs;
    RunProgress progress;
    bool erase; // Erase() instead of Show()
    const char* written;
};

TEST(ProgressLineTest, RedrawsInPlaceAtItsPaceAndIsErased)
{
    const LineStep steps[] = {
        {0, Searching(0), false, "\r0 objects found, 0 values read\033[K"},
        {50, Searching(256), false, ""}, // within the interval: not drawn
        {100, Searching(512), false, "\r512 objects found, 0 values read, 5120/s\033[K"},
        // The reading phase starts: its rate counts from here.
        {200, Reading(1000, 0), false, "\r1000 objects found, 0 values read\033[K"},
        {400, Reading(1000, 500), false, "\r1000 objects found, 500 values read, 2500/s\033[K"},
        {450, Reading(1000, 1000), true, "\r\033[K"},
        {460, Reading(1000, 1000), true, ""}, // nothing left to erase
        // After an erase (a message was written) the next progress is drawn at once.
        {470, Reading(1000, 1000), false, "\r1000 objects found, 1000 values read, 3704/s\033[K"},
    };
    CapturedStream stream;
    const Clock::time_point start {};
    Clock::time_point now = start;
    {
        ProgressLine line(stream.File(), [&] { return now; });
        std::size_t before = 0;
        for (const LineStep& step : steps) {
            now = start + std::chrono::milliseconds(step.atMs);
            if (step.erase) {
                line.Erase();
            } else {
                line.Show(step.progress);
            }
            const std::string text = stream.Text();
            EXPECT_EQ(text.substr(before), step.written) << "at " << step.atMs << " ms";
            before = text.size();
        }
    }
    // The line shown last is erased when the display goes away.
    EXPECT_TRUE(stream.Text().ends_with("\033[K\r\033[K"));
}

TEST(ProgressLineTest, OptionsOverrideTheTerminalTest)
{
    CapturedStream notATerminal;
    EXPECT_TRUE(ProgressWanted(true, notATerminal.File()));
    EXPECT_FALSE(ProgressWanted(false, notATerminal.File()));
    EXPECT_FALSE(ProgressWanted(std::nullopt, notATerminal.File()));
    EXPECT_FALSE(ProgressWanted(std::nullopt, nullptr));
}

// A recording surface that also records progress and can ask to stop.
class ProgressSurface : public RecordingSurface
{
public:
    void RunProgressed(const RunProgress& progress) override
    {
        heard.push_back(progress);
        stop = stop || (stopAfterValues > 0 && progress.valuesRead >= stopAfterValues);
    }
    bool StopRequested() const override { return stop; }
    void AddValue(const std::string& value) override
    {
        RecordingSurface::AddValue(value);
        stop = stop || (stopAfterValues > 0 && values.size() >= stopAfterValues);
    }

    std::vector<RunProgress> heard;
    std::size_t stopAfterValues = 0;
    bool stop = false;
};

class RunProgressTest : public ::testing::Test
{
protected:
    void SetUp() override { OpenRunTree(m_session); }

    SearchRunInputs Inputs() const
    {
        SearchRunInputs inputs;
        inputs.attributeName = "Surname";
        inputs.attributeText = "Surname";
        inputs.classText = "User";
        inputs.mode = CheckMode::JustShow;
        inputs.searchContext = m_session.search.get();
        inputs.containerName = ".Sales.Acme";
        return inputs;
    }

    CliSession m_session;
};

TEST_F(RunProgressTest, SurfaceHearsBothPhasesWithTheirCounts)
{
    ProgressSurface surface;
    const SearchRunResult result = RunSearch(Inputs(), surface);
    ASSERT_EQ(result.outcome, SearchRunOutcome::Completed);
    const std::size_t objects = surface.objects.size();
    ASSERT_GT(objects, 1u);
    ASSERT_GE(surface.heard.size(), 3u);
    // The search starts from nothing; the reading phase knows its total and
    // ends with every value read.
    EXPECT_TRUE(surface.heard.front().searching);
    EXPECT_EQ(surface.heard.front().objectsFound, 0u);
    const RunProgress& reading = surface.heard[1];
    EXPECT_FALSE(reading.searching);
    EXPECT_EQ(reading.objectsFound, objects);
    EXPECT_EQ(reading.objectsToRead, objects);
    EXPECT_EQ(reading.valuesRead, 0u);
    EXPECT_EQ(surface.heard.back().valuesRead, objects);
    EXPECT_EQ(surface.heard.back().valuesRead, result.valuesRead);
}

TEST_F(RunProgressTest, StopEndsTheReadingBeforeTheNextObject)
{
    ProgressSurface surface;
    surface.stopAfterValues = 2;
    const SearchRunResult result = RunSearch(Inputs(), surface);
    EXPECT_EQ(result.outcome, SearchRunOutcome::Aborted);
    EXPECT_EQ(result.valuesRead, 2u);
    EXPECT_EQ(surface.values.size(), 2u);
    EXPECT_GT(surface.objects.size(), 2u);
    EXPECT_EQ(surface.heard.back().valuesRead, 2u);
}

} // namespace
} // namespace veralith::app

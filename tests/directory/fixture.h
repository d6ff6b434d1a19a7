#pragma once

// Shared set-up of the directory-layer tests: starting the client on the test
// trees, recording what the program would show, and checking that an
// operation leaves no context, buffer or iteration behind.

#include "client/client.h"
#include "client/scoped.h"
#include "util/feedback.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace veralith::client {

// Comparison and printing for EXPECT_EQ on resource counts.
inline bool operator==(const ClientResourceCounts& a, const ClientResourceCounts& b)
{
    return a.contexts == b.contexts && a.buffers == b.buffers && a.filters == b.filters && a.iterations == b.iterations;
}

inline std::ostream& operator<<(std::ostream& out, const ClientResourceCounts& c)
{
    return out << "{contexts " << c.contexts << ", buffers " << c.buffers << ", filters " << c.filters
               << ", iterations " << c.iterations << "}";
}

} // namespace veralith::client

namespace veralith::directory::testing {

// The repository root: VERALITH_SOURCE_DIR when the test runner sets it, else
// the directory the test was built from.
inline std::string SourceDir()
{
    const char* dir = std::getenv("VERALITH_SOURCE_DIR");
    return dir != nullptr && *dir != '\0' ? dir : VERALITH_TEST_SOURCE_DIR;
}

inline std::string TestTree(const std::string& file)
{
    return SourceDir() + "/tests/data/" + file;
}

// The tree sources of most tests: the small test tree, a second connection to
// the same tree in other letter case, and another tree.
inline std::vector<std::string> StandardSources()
{
    return {TestTree("directory-small.json"), TestTree("directory-same-tree.json"), TestTree("directory-other.json")};
}

// Starts the client on the given sources; fails the test when it cannot.
inline void StartClient(std::vector<std::string> sources)
{
    client::SetTreeSources(std::move(sources));
    ASSERT_EQ(client::ClientInit(nullptr, nullptr), 0);
}

// Message boxes, cursor changes and message pumps the code asked for.
struct RecordedFeedback
{
    struct Box
    {
        util::MessageBoxKind kind;
        std::string title;
        std::string text;
    };
    std::vector<Box> boxes;
    int pumps = 0;
    std::vector<util::CursorId> cursors;
    util::CursorId current = util::kDefaultCursor;
};

class RecordingHooks
{
public:
    explicit RecordingHooks(RecordedFeedback& record)
        : m_scope(MakeHooks(record))
    { }

private:
    static util::FeedbackHooks MakeHooks(RecordedFeedback& record)
    {
        util::FeedbackHooks hooks;
        hooks.processPendingMessages = [&record] { ++record.pumps; };
        hooks.currentCursor = [&record] { return record.current; };
        hooks.setCursor = [&record](util::CursorId cursor) {
            record.current = cursor;
            record.cursors.push_back(cursor);
        };
        hooks.showMessageBox = [&record](util::MessageBoxKind kind, const std::string& title, const std::string& text) {
            record.boxes.push_back({kind, title, text});
            return util::MessageBoxButton::Ok;
        };
        return hooks;
    }
    util::ScopedFeedbackHooks m_scope;
};

// A context on the client's primary tree, freed at the end of the test.
inline client::ScopedContext CreateContext()
{
    client::ScopedContext context;
    EXPECT_EQ(client::DirCreateContext(context.Out()), 0);
    return context;
}

} // namespace veralith::directory::testing

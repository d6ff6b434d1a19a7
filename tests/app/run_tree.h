#pragma once

// Loads tests/data/run-tree.json into the client once per test program and
// opens a session on it, prepared as the window's tree change prepares its
// contexts.

#include "app/cli/session.h"
#include "directory/directory.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace veralith::app {

inline std::string TestDataPath(const std::string& name)
{
    // The environment's root first; the build's own source directory when a
    // test runner did not pass the environment on.
    const char* root = std::getenv("VERALITH_SOURCE_DIR");
    return std::string(root != nullptr ? root : VERALITH_TEST_SOURCE_DIR) + "/tests/data/" + name;
}

// Starts the client on the run tree (once) and opens a session on it.
inline void OpenRunTree(CliSession& session)
{
    static const util::Status kStarted = [] {
        directory::ResetNetWareStartupForTesting();
        return StartClient({TestDataPath("run-tree.json")});
    }();
    ASSERT_TRUE(kStarted) << kStarted.Reason();
    const util::Status opened = OpenSession("RUN_TREE", session);
    ASSERT_TRUE(opened) << opened.Reason();
}

} // namespace veralith::app

#pragma once

// Where the documentation tests find the repository and the built programs.

#include <string>
#include <vector>

namespace veralith::docs_test {

// The repository root: VERALITH_SOURCE_DIR when the test runner sets it, else
// the source directory the test was built from.
std::string RepoRoot();

// The Markdown files with examples, relative to the root: README.md and every
// docs/*.md, sorted.
std::vector<std::string> DocFiles();

// The files directly in a folder below the root whose names end in suffix,
// sorted, relative to the root.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& suffix);

// The built veralith-cli.
std::string CliPath();

} // namespace veralith::docs_test

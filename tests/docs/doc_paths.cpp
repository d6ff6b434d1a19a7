#include "tests/docs/doc_paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace veralith::docs_test {

std::string RepoRoot()
{
    const char* root = std::getenv("VERALITH_SOURCE_DIR");
    return root != nullptr && *root != '\0' ? root : VERALITH_TEST_SOURCE_DIR;
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(RepoRoot() + "/" + folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            files.push_back(folder + "/" + name);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> DocFiles()
{
    std::vector<std::string> files = FilesIn("docs", ".md");
    files.insert(files.begin(), "README.md");
    return files;
}

std::string CliPath()
{
    return VERALITH_CLI_PATH;
}

} // namespace veralith::docs_test

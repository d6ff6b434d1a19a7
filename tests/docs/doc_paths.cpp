#include "tests/docs/doc_paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

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

ScratchFolder::ScratchFolder()
{
    const std::string base = std::filesystem::temp_directory_path().string() + "/veralith-docs-XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = name.data();
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace veralith::docs_test

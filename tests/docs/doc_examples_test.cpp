// Every example of the documentation is run: the terminal sessions of the
// ```console blocks through a shell with the built veralith-cli first on the
// PATH, the tree files of docs/examples/ through the client's loader, and the
// JSON shown in the text against the files it is taken from.

#include "client/memory/loader.h"
#include "tests/docs/doc_blocks.h"
#include "tests/docs/doc_paths.h"
#include "tests/docs/shell.h"
#include "tests/support/files.h"

#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>

namespace veralith::docs_test {
namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The folder the examples of one file run in: "docs" and "data" of the
// repository appear in it, so that examples name files as a reader in the
// repository does, and whatever an example writes stays in the folder.
struct ExampleFolder
{
    test_support::ScratchFolder scratch {"veralith-docs"};
    std::vector<std::string> environment;

    ExampleFolder()
    {
        for (const char* name : {"docs", "data"}) {
            std::filesystem::create_directory_symlink(RepoRoot() + "/" + name, scratch.Path() + "/" + name);
        }
        std::filesystem::create_directory(scratch.Path() + "/home");
        const char* path = std::getenv("PATH");
        environment = {
            "PATH=" + std::filesystem::path(CliPath()).parent_path().string() + ":" +
                (path != nullptr ? path : "/usr/bin:/bin"),
            "HOME=" + scratch.Path() + "/home",
            "XDG_CONFIG_HOME=" + scratch.Path() + "/home/.config",
            "VERALITH_SYSTEM_DIR=" + scratch.Path() + "/home",
            "TMPDIR=" + scratch.Path(),
            "LC_ALL=C.UTF-8",
            "TZ=UTC",
            "VERALITH_TREES",
        };
    }
};

// One test per Markdown file, so that the files run in parallel and a failure
// names its file.
class ConsoleExamples : public testing::TestWithParam<std::string>
{
};

TEST_P(ConsoleExamples, RunAndPrintWhatTheDocShows)
{
    const std::string& file = GetParam();
    const std::vector<ConsoleCommand> commands =
        ConsoleCommands(ReadFencedBlocks(ReadWholeFile(RepoRoot() + "/" + file), file));
    ExampleFolder folder;
    for (const ConsoleCommand& example : commands) {
        SCOPED_TRACE(example.file + ":" + std::to_string(example.line) + ": $ " + example.command);
        const ShellResult result = RunShell(example.command, folder.scratch.Path(), folder.environment);
        // A command that is meant to fail shows it in the doc itself
        // (`; echo "exit status $?"`), so every shell must succeed.
        EXPECT_EQ(result.status, 0) << "standard error:\n" << result.err;
        const std::vector<std::string> actual = SplitLines(result.out);
        EXPECT_TRUE(LinesMatch(example.expected, actual)) << "the doc shows:\n"
                                                          << Joined(example.expected) << "the command printed:\n"
                                                          << Joined(actual) << "standard error:\n"
                                                          << result.err;
    }
}

std::string TestName(const testing::TestParamInfo<std::string>& info)
{
    std::string name;
    for (const char c : info.param) {
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(DocFiles, ConsoleExamples, testing::ValuesIn(DocFiles()), TestName);

// The documents that describe the command line, the filters and the tree
// files keep examples, and there are enough of them all told.
TEST(DocExamples, TheDocumentsKeepTheirExamples)
{
    std::size_t total = 0;
    for (const std::string& file : DocFiles()) {
        const std::size_t count =
            ConsoleCommands(ReadFencedBlocks(ReadWholeFile(RepoRoot() + "/" + file), file)).size();
        total += count;
        if (file == "docs/command-line.md" || file == "docs/filters.md" || file == "docs/tree-files.md" ||
            file == "README.md") {
            EXPECT_GE(count, 2u) << file;
        }
    }
    EXPECT_GE(total, 30u);
}

TEST(DocExamples, EveryExampleTreeFileLoads)
{
    const std::vector<std::string> files = FilesIn("docs/examples", ".json");
    ASSERT_GE(files.size(), 2u);
    for (const std::string& file : files) {
        std::shared_ptr<client::memory::MemoryDirectory> directory;
        std::string error;
        EXPECT_TRUE(client::memory::LoadTreeFile(RepoRoot() + "/" + file, &directory, &error)) << error;
    }
}

TEST(DocExamples, EveryBrokenExampleFailsWithAMessageNamingTheFile)
{
    const std::vector<std::string> files = FilesIn("docs/examples/broken", ".json");
    ASSERT_GE(files.size(), 3u);
    for (const std::string& file : files) {
        std::shared_ptr<client::memory::MemoryDirectory> directory;
        std::string error;
        const std::string path = RepoRoot() + "/" + file;
        EXPECT_FALSE(client::memory::LoadTreeFile(path, &directory, &error)) << file << " loads";
        EXPECT_EQ(error.rfind(path + ":", 0), 0u) << error;
    }
}

// A ```json block is either a whole tree file, which must load, or an excerpt
// of an example file named after the language (```json docs/examples/x.json),
// whose lines must stand in that file in the same order, one after another
// (indentation aside).
TEST(DocExamples, EveryJsonBlockLoadsOrIsTakenFromAnExampleFile)
{
    std::size_t checked = 0;
    for (const std::string& file : DocFiles()) {
        for (const FencedBlock& block : ReadFencedBlocks(ReadWholeFile(RepoRoot() + "/" + file), file)) {
            if (block.info.rfind("json", 0) != 0) {
                continue;
            }
            ++checked;
            SCOPED_TRACE(file + ":" + std::to_string(block.line));
            const std::string source = Trimmed(block.info.substr(4));
            if (source.empty()) {
                std::shared_ptr<client::memory::MemoryDirectory> directory;
                std::string error;
                EXPECT_TRUE(client::memory::LoadTreeText(Joined(block.lines), file, &directory, &error)) << error;
                continue;
            }
            std::vector<std::string> excerpt;
            for (const std::string& line : block.lines) {
                if (!Trimmed(line).empty()) {
                    excerpt.push_back(Trimmed(line));
                }
            }
            std::vector<std::string> whole;
            for (const std::string& line : SplitLines(ReadWholeFile(RepoRoot() + "/" + source))) {
                whole.push_back(Trimmed(line));
            }
            excerpt.insert(excerpt.begin(), "...");
            excerpt.push_back("...");
            EXPECT_TRUE(LinesMatch(excerpt, whole)) << "not an excerpt of " << source;
        }
    }
    EXPECT_GE(checked, 3u);
}

TEST(DocBlocks, ConsoleBlocksSplitIntoCommandsAndTheirOutput)
{
    const std::string text = "text\n"
                             "```console\n"
                             "$ one \\\n"
                             "  --two\n"
                             "out 1\n"
                             "$ three\n"
                             "```\n"
                             "```sh\n"
                             "$ not run\n"
                             "```\n";
    const std::vector<ConsoleCommand> commands = ConsoleCommands(ReadFencedBlocks(text, "x.md"));
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].command, "one \\\n  --two");
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[0].expected, std::vector<std::string> {"out 1"});
    EXPECT_EQ(commands[1].command, "three");
    EXPECT_TRUE(commands[1].expected.empty());

    EXPECT_THROW(ReadFencedBlocks("```console\n$ x\n", "x.md"), std::runtime_error);
    EXPECT_THROW(ConsoleCommands(ReadFencedBlocks("```console\noutput first\n```\n", "x.md")), std::runtime_error);
}

TEST(DocBlocks, AnEllipsisLineStandsForAnyRunOfLines)
{
    using Lines = std::vector<std::string>;
    EXPECT_TRUE(LinesMatch(Lines {"a", "...", "d"}, Lines {"a", "b", "c", "d"}));
    EXPECT_TRUE(LinesMatch(Lines {"a", "...", "d"}, Lines {"a", "d"}));
    EXPECT_TRUE(LinesMatch(Lines {"..."}, Lines {}));
    EXPECT_FALSE(LinesMatch(Lines {"a", "...", "d"}, Lines {"a", "b"}));
    EXPECT_FALSE(LinesMatch(Lines {"a"}, Lines {"a", "b"}));
    EXPECT_FALSE(LinesMatch(Lines {"a", "b"}, Lines {"a"}));
    EXPECT_TRUE(LinesMatch(Lines {}, Lines {}));
}

} // namespace
} // namespace veralith::docs_test

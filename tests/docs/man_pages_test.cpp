// The man pages are written once in docs/man/; these tests keep them in step
// with what the programs' --help says: the same commands, and for each command
// the same options.

#include "tests/docs/doc_blocks.h"
#include "tests/docs/doc_paths.h"
#include "tests/docs/shell.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace veralith::docs_test {
namespace {

// The options ("--name") that a text names.
std::set<std::string> OptionsIn(const std::string& text)
{
    std::set<std::string> options;
    static const std::regex kOption("--[a-z][a-z-]*[a-z]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kOption); it != std::sregex_iterator(); ++it) {
        options.insert(it->str());
    }
    return options;
}

// Roff source with its escapes for "-" and fonts taken out.
std::string PlainRoff(const std::string& roff)
{
    std::string text = std::regex_replace(roff, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
}

// The text of a man page's subsection ".SS name" up to the next ".SS" or ".SH".
std::string Subsection(const std::string& page, const std::string& name)
{
    std::string text;
    bool inside = false;
    for (const std::string& line : SplitLines(page)) {
        if (line.rfind(".SS ", 0) == 0 || line.rfind(".SH ", 0) == 0) {
            inside = line == ".SS " + name;
            continue;
        }
        if (inside) {
            text += line + "\n";
        }
    }
    return text;
}

std::vector<std::string> Subsections(const std::string& page, const std::string& section)
{
    std::vector<std::string> names;
    bool inside = false;
    for (const std::string& line : SplitLines(page)) {
        if (line.rfind(".SH ", 0) == 0) {
            inside = line == ".SH " + section;
        } else if (inside && line.rfind(".SS ", 0) == 0) {
            names.push_back(line.substr(4));
        }
    }
    return names;
}

std::string Help(const std::string& arguments)
{
    const ShellResult result = RunShell("\"" + CliPath() + "\" " + arguments, RepoRoot(), {});
    EXPECT_EQ(result.status, 0) << arguments << ": " << result.err;
    return result.out;
}

// The commands the overview lists on its line "Commands: a, b, c."
std::vector<std::string> HelpCommands(const std::string& overview)
{
    std::smatch match;
    const bool found = std::regex_search(overview, match, std::regex("Commands: ([a-z, ]+)\\."));
    EXPECT_TRUE(found) << overview;
    std::vector<std::string> commands;
    const std::string list = found ? match[1].str() : "";
    static const std::regex kWord("[a-z]+");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), kWord); it != std::sregex_iterator(); ++it) {
        commands.push_back(it->str());
    }
    return commands;
}

TEST(ManPages, TheCommandLinePageHasTheCommandsAndOptionsOfHelp)
{
    const std::string page = PlainRoff(ReadWholeFile(RepoRoot() + "/docs/man/veralith-cli.1"));
    const std::string overview = Help("--help");
    const std::vector<std::string> commands = HelpCommands(overview);
    ASSERT_GE(commands.size(), 7u);
    EXPECT_EQ(Subsections(page, "COMMANDS"), commands);

    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        std::set<std::string> fromHelp = OptionsIn(Help(command + " --help"));
        std::set<std::string> fromPage = OptionsIn(Subsection(page, command));
        for (const char* common : {"--tree-file", "--help"}) {
            fromHelp.erase(common);
            fromPage.erase(common);
        }
        EXPECT_EQ(fromPage, fromHelp);
    }
    // The options before the command, and the exit statuses.
    for (const std::string& option : OptionsIn(overview)) {
        EXPECT_NE(page.find(option), std::string::npos) << option;
    }
    const std::size_t exitSection = page.find(".SH EXIT STATUS");
    ASSERT_NE(exitSection, std::string::npos);
    const std::string exit = page.substr(exitSection, page.find(".SH ", exitSection + 1) - exitSection);
    for (const char* status : {"\n0\n", "\n1\n", "\n2\n"}) {
        EXPECT_NE(exit.find(status), std::string::npos) << "exit status " << status;
    }
}

#ifdef VERALITH_GUI_PATH
TEST(ManPages, TheWindowPageHasTheOptionsOfHelp)
{
    const std::string page = PlainRoff(ReadWholeFile(RepoRoot() + "/docs/man/veralith.1"));
    const ShellResult help = RunShell("\"" VERALITH_GUI_PATH "\" --help", RepoRoot(), {});
    ASSERT_EQ(help.status, 0) << help.err;
    const std::set<std::string> options = OptionsIn(help.out);
    ASSERT_FALSE(options.empty());
    for (const std::string& option : options) {
        EXPECT_NE(page.find(option), std::string::npos) << option;
    }
    for (const char* needed : {"VERALITH_TREES", ".SH FILES", "veralith-cli"}) {
        EXPECT_NE(page.find(needed), std::string::npos) << needed;
    }
}
#endif

// groff reads both pages without a warning (skipped where groff is missing).
TEST(ManPages, RenderWithoutWarnings)
{
    if (RunShell("command -v groff", RepoRoot(), {}).status != 0) {
        GTEST_SKIP() << "groff is not installed";
    }
    for (const char* page : {"docs/man/veralith.1", "docs/man/veralith-cli.1"}) {
        const ShellResult result = RunShell(std::string("groff -man -Tutf8 -ww -z ") + page, RepoRoot(), {});
        EXPECT_EQ(result.status, 0) << page;
        EXPECT_EQ(result.err, "") << page;
    }
}

} // namespace
} // namespace veralith::docs_test

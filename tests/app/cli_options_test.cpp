// The option table of veralith-cli against what is written from it by hand:
// each command's usage names every option the command takes once, and the
// man page shows the same synopsis and option headings as the table.

#include "app/cli/option_table.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace veralith::app {
namespace {

std::string ManPage()
{
    std::ifstream in(std::string(VERALITH_TEST_SOURCE_DIR) + "/docs/man/veralith-cli.1");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A roff line as read: "-" escapes and font changes taken out, spaces
// collapsed.
std::string PlainRoff(const std::string& roff)
{
    std::string text = std::regex_replace(roff, std::regex(R"(\\-)"), "-");
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
    return std::regex_replace(text, std::regex(R"(\s+)"), " ");
}

struct ManSection
{
    std::string synopsis; // the lines between ".B command" and ".br"
    std::vector<std::string> headings; // the line after each ".TP"
};

// The man page's sections by name: ".SH OPTIONS" as "OPTIONS", each ".SS
// command" as the command's name.
std::map<std::string, ManSection> ManSections(const std::string& page)
{
    std::map<std::string, ManSection> sections;
    std::istringstream lines(page);
    std::string line;
    std::string name;
    bool inSynopsis = false;
    bool heading = false;
    while (std::getline(lines, line)) {
        if (line.starts_with(".SH ") || line.starts_with(".SS ")) {
            name = line.substr(4);
            sections[name];
            inSynopsis = heading = false;
        } else if (line == ".B " + name) {
            inSynopsis = true;
        } else if (line == ".br") {
            inSynopsis = false;
        } else if (line == ".TP") {
            heading = true;
        } else if (heading) {
            sections[name].headings.push_back(PlainRoff(line));
            heading = false;
        } else if (inSynopsis) {
            std::string& synopsis = sections[name].synopsis;
            synopsis += (synopsis.empty() ? "" : " ") + PlainRoff(line);
        }
    }
    return sections;
}

std::string TableSynopsis(const CommandSpec& command)
{
    std::string text;
    for (const std::string& line : SynopsisLines(command)) {
        text += (text.empty() ? "" : " ") + line;
    }
    return text;
}

// A man page heading splits at ", " into options as the table writes them
// ("-h", "--help"; "--scope 0|1|2").
std::set<std::string> HeadingParts(const std::vector<std::string>& headings)
{
    std::set<std::string> parts;
    for (const std::string& heading : headings) {
        std::size_t start = 0;
        while (start <= heading.size()) {
            const std::size_t comma = std::min(heading.find(", ", start), heading.size());
            parts.insert(heading.substr(start, comma - start));
            start = comma + 2;
        }
    }
    return parts;
}

TEST(CliOptions, EveryCommandsUsageNamesEachOfItsOptionsOnce)
{
    for (const CommandSpec& command : CommandTable()) {
        SCOPED_TRACE(command.name);
        std::multiset<std::string> named;
        for (const std::string_view line : command.synopsis) {
            static const std::regex kWord("[^ |]+");
            const std::string text(line);
            for (auto it = std::sregex_iterator(text.begin(), text.end(), kWord); it != std::sregex_iterator(); ++it) {
                named.insert(it->str());
            }
        }
        std::multiset<std::string> taken;
        for (const OptionSpec& option : OptionTable()) {
            if (option.IsTakenBy(command.command)) {
                taken.insert(std::string(option.name));
            }
        }
        EXPECT_EQ(named, taken);
        EXPECT_NO_THROW(SynopsisLines(command));
    }
}

TEST(CliOptions, EveryOptionIsStoredOrRecognisedBeforeParsing)
{
    for (const OptionSpec& option : OptionTable()) {
        SCOPED_TRACE(option.name);
        const bool recognisedFirst = option.name == "--help" || option.name == "--version" || option.name == "--";
        EXPECT_EQ(option.store == nullptr, recognisedFirst);
        EXPECT_FALSE(!option.placeholder.empty() && !option.choices.empty()) << "a placeholder and choices";
        if (option.place == OptionPlace::AfterCommand && option.store != nullptr) {
            EXPECT_FALSE(option.commands.empty()) << "taken by no command";
        }
    }
}

TEST(CliOptions, TheManPageShowsEachCommandsSynopsisAndOptionsAsTheTable)
{
    const std::map<std::string, ManSection> sections = ManSections(ManPage());
    for (const CommandSpec& command : CommandTable()) {
        SCOPED_TRACE(command.name);
        const auto section = sections.find(std::string(command.name));
        ASSERT_NE(section, sections.end()) << "no subsection";
        EXPECT_EQ(section->second.synopsis, TableSynopsis(command));
        std::set<std::string> written;
        for (const OptionSpec& option : OptionTable()) {
            if (option.IsTakenBy(command.command)) {
                written.insert(option.NameAndValue());
            }
        }
        for (const std::string& part : HeadingParts(section->second.headings)) {
            EXPECT_TRUE(written.contains(part)) << "the man page describes \"" << part << "\"";
        }
    }
}

TEST(CliOptions, TheManPagesOptionsAreThoseBeforeTheCommand)
{
    const std::map<std::string, ManSection> sections = ManSections(ManPage());
    ASSERT_TRUE(sections.contains("OPTIONS"));
    std::set<std::string> expected;
    for (const OptionSpec& option : OptionTable()) {
        if (option.place != OptionPlace::AfterCommand) {
            expected.insert(option.NameAndValue());
            if (!option.alias.empty()) {
                expected.insert(std::string(option.alias));
            }
        }
    }
    EXPECT_EQ(HeadingParts(sections.at("OPTIONS").headings), expected);
}

// Changing a placeholder in the table is what the man page check is there to
// catch: the rendered synopsis follows the table.
TEST(CliOptions, SynopsisFragmentsFollowTheTable)
{
    struct Row
    {
        OptionSpec option;
        std::string fragment;
    };
    const std::vector<Row> rows {
        {{.name = "--tree", .placeholder = "NAME"}, "[--tree NAME]"},
        {{.name = "--object", .placeholder = "NAME", .required = true}, "--object NAME"},
        {{.name = "--attribute", .placeholder = "ATTR", .repeatable = true}, "[--attribute ATTR]..."},
        {{.name = "--scope", .choices = {"0", "1", "2"}}, "[--scope 0|1|2]"},
        {{.name = "--recurse"}, "[--recurse]"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SynopsisFragment(row.option), row.fragment);
    }
}

} // namespace
} // namespace veralith::app

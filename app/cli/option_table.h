#pragma once

// The options and commands of veralith-cli, each declared once: an option's
// name, its value (a placeholder or the only values it takes), where it
// stands, which commands take it, its lines in the overview and how its value
// is stored. The parser (arguments.cpp), the usage texts that --help prints
// (usage.cpp) and the test that holds the man page to the same options all
// read these tables.

#include "app/cli/arguments.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veralith::app {

// Where an option stands on the command line.
enum class OptionPlace {
    BeforeCommand, // only before the command (--tree-file FILE, --version)
    Anywhere, // before or after the command, shown in no command's usage (--quiet, --help)
    AfterCommand, // after the command, for the commands listed
};

// An option's value as given: the text, and for an option with choices the
// index of the choice it names.
struct OptionValue
{
    const std::string& text;
    std::size_t choice = 0;
};

// Stores a checked value (for a flag: an empty text) in the options; returns
// what is wrong with it, without the option's name, or "".
using StoreOption = std::string (*)(const OptionValue& value, CliOptions& options);

struct OptionSpec
{
    std::string_view name {}; // "--tree"
    std::string_view alias {}; // another spelling ("-h"), or empty
    // The value's placeholder in the usage ("NAME"); empty for a flag and for
    // an option with choices.
    std::string_view placeholder {};
    // The only values the option takes; the usage shows them joined by "|".
    std::vector<std::string_view> choices {};
    OptionPlace place = OptionPlace::AfterCommand;
    std::vector<CliCommand> commands {}; // the commands that take it after them
    bool required = false; // an error when missing; shown without brackets
    bool repeatable = false; // may be given more than once; shown with "..."
    // Its description in the overview, one line a "\n"; empty when the
    // overview does not list it.
    std::string_view overview {};
    // The error text when its value is missing before the command.
    std::string_view missingValue = "missing value";
    // nullptr for what is recognised before parsing (--help, --version, "--").
    StoreOption store = nullptr;

    bool TakesValue() const { return !placeholder.empty() || !choices.empty(); }
    // The placeholder, or the choices joined by "|".
    std::string ValueText() const;
    // "--scope 0|1|2" or "--recurse".
    std::string NameAndValue() const;
    bool IsTakenBy(CliCommand command) const;
};

struct CommandSpec
{
    CliCommand command;
    std::string_view name {}; // as typed: "find"
    // The usage's option lines: option names separated by spaces, "a|b" for
    // options that exclude each other. Every option the command takes is
    // named exactly once.
    std::vector<std::string_view> synopsis;
    std::string_view description; // the lines after the synopsis
};

// Every option, in the order the overview lists them.
const std::vector<OptionSpec>& OptionTable();

// Every command, in the order the overview lists them.
const std::vector<CommandSpec>& CommandTable();

const CommandSpec* FindCommandSpec(std::string_view name);
const CommandSpec* FindCommandSpec(CliCommand command);

// The option the parser applies for name after the command (or, with
// CliCommand::None, before it); nullptr when there is none to apply.
const OptionSpec* FindParsedOption(std::string_view name, CliCommand command);

// Whether an option of that name takes no value (false for unknown names).
bool IsFlagOption(std::string_view name);

// How an option shows in a usage synopsis: "[--tree NAME]",
// "--object NAME", "[--attribute ATTR]...".
std::string SynopsisFragment(const OptionSpec& option);

// The command's synopsis lines with every option rendered ("[--tree NAME]
// [--class CLASS]"); throws std::logic_error when a line names an option the
// command does not take.
std::vector<std::string> SynopsisLines(const CommandSpec& command);

} // namespace veralith::app

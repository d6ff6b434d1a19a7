// The usage texts that --help prints, composed from the option and command
// tables: a command's synopsis from its options, the overview's command list
// and option lines from the options that describe themselves there.

#include "app/cli/arguments.h"
#include "app/cli/option_table.h"

#include <string_view>

namespace veralith::app {

namespace {

// The program and what stands before every command, then the command.
constexpr std::string_view kProgram = "veralith-cli";
// The width of the overview's option column.
constexpr std::size_t kOptionColumn = 18;

const OptionSpec& TreeFileBeforeCommand()
{
    return *FindParsedOption("--tree-file", CliCommand::None);
}

std::string UsageLinePrefix()
{
    return "usage: " + std::string(kProgram) + " " + SynopsisFragment(TreeFileBeforeCommand()) + " ";
}

// One option of the overview: its name and value, then its description,
// every line after the first indented to the description's column.
std::string OverviewOption(const OptionSpec& option)
{
    std::string text = option.NameAndValue();
    text.resize(std::max(kOptionColumn, text.size() + 1), ' ');
    for (const char c : option.overview) {
        text += c;
        if (c == '\n') {
            text.append(kOptionColumn, ' ');
        }
    }
    return text + "\n";
}

std::string OverviewOptions(bool beforeCommand)
{
    std::string text;
    for (const OptionSpec& option : OptionTable()) {
        if (!option.overview.empty() && (option.place != OptionPlace::AfterCommand) == beforeCommand) {
            text += OverviewOption(option);
        }
    }
    return text;
}

std::string CommandList()
{
    std::string list;
    for (const CommandSpec& command : CommandTable()) {
        list += (list.empty() ? "" : ", ") + std::string(command.name);
    }
    return list;
}

std::string Overview()
{
    const std::string program(kProgram);
    return "usage: " + program + " " + SynopsisFragment(TreeFileBeforeCommand()) + " [--quiet] COMMAND [OPTIONS]\n" +
        "       " + program + " --help | --version\n" + "\n" + "Commands: " + CommandList() + ".\n" + "Run \"" +
        program + " COMMAND --help\" for a command's options.\n" + "\n" + "Before the command:\n" +
        OverviewOptions(true) + "After the command (see its --help):\n" + OverviewOptions(false) + "\n" +
        "Exit status: 0 success (find --mode duplicates: no duplicates), 1 duplicates found\n"
        "(find only), 2 any failure: bad usage, a tree source that cannot be loaded, a\n"
        "directory error, a search or a read that failed; the message is on standard error.\n";
}

} // namespace

std::string CommandName(CliCommand command)
{
    const CommandSpec* spec = FindCommandSpec(command);
    return spec != nullptr ? std::string(spec->name) : "";
}

std::string CommandUsage(CliCommand command)
{
    const CommandSpec* spec = FindCommandSpec(command);
    if (spec == nullptr) {
        return Overview();
    }
    const std::string prefix = UsageLinePrefix();
    // Continuation lines start below the first option after the program.
    const std::string indent(std::string_view("usage: ").size() + kProgram.size() + 1, ' ');
    std::string text = prefix + std::string(spec->name);
    const std::vector<std::string> lines = SynopsisLines(*spec);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += (i == 0 ? " " : "\n" + indent) + lines[i];
    }
    return text + "\n" + std::string(spec->description);
}

} // namespace veralith::app

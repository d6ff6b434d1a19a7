#pragma once

// The command line of veralith-cli:
//
//   veralith-cli [--tree-file FILE]... COMMAND [OPTIONS]
//
// ParseCommandLine turns the arguments into CliOptions, checking every option
// against the command it belongs to; CommandUsage gives the usage text that
// --help prints. Both are made from the tables of option_table.h.

#include "app/run/search_run.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veralith::app {

enum class CliCommand {
    None, // no command given (only valid with --help)
    Trees,
    Classes,
    Attributes,
    Containers,
    Read,
    Search,
    Find,
    Snapshot,
};

enum class OutputFormat {
    Text,
    Csv,
    Json,
};

struct CliOptions
{
    std::vector<std::string> treeFiles; // --tree-file, in the order given
    CliCommand command = CliCommand::None;
    bool help = false;
    bool version = false; // --version
    bool quiet = false; // --quiet: no informational messages on standard error

    std::optional<std::string> tree; // --tree
    std::optional<std::string> className; // --class
    std::optional<std::string> context; // --context
    std::string object; // --object
    std::optional<std::string> attribute; // --attribute
    std::string base = "[Root]"; // --base
    std::string filter; // --filter (empty: every object in scope)
    std::int32_t scope = 2; // --scope
    std::string nameTemplate = "#NAME#"; // --template
    std::optional<std::uint32_t> limit; // --limit
    CheckMode mode = CheckMode::Duplicates; // --mode
    bool recurse = false; // --recurse
    OutputFormat format = OutputFormat::Text; // --format
    // find: --each-value, --match, --unique, --ignore-value, --exclude-base
    // and the second and further --attribute.
    CompareOptions compare;
    bool reportGroups = false; // find --report groups
    std::optional<std::string> output; // --output
    std::optional<bool> progress; // --progress (true) / --no-progress (false)
    bool snapshotLdif = false; // snapshot --format ldif
};

struct ParsedCommandLine
{
    CliOptions options;
    // Empty when the arguments are valid; otherwise what is wrong and where
    // (the option or argument named).
    std::string error;
};

// Parses args (without the program name); a plain function of its arguments,
// so it runs without a process. Options take their value as the next argument
// or after "=" (--tree=ACME); a next argument that starts with "--" is never
// taken as a value (the option is then missing its value: give such a value
// as --filter=--x), while one such as "-h" is. "--" ends the options. --help
// or -h in an option's place asks for the usage (the overview before the
// command, the command's usage after it) and --version for the version; both
// win over any error. --quiet is taken before or after the command. An option
// that the command does not take, a missing or malformed value, an option
// given twice (except --tree-file, and find's --attribute, --ignore-value and
// --exclude-base) and a missing required option are errors.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text of a command (CliCommand::None: the program's overview),
// ending with a line break.
std::string CommandUsage(CliCommand command);

// "veralith-cli VERSION" and a line break.
std::string VersionText();

// The command's name as typed ("find"); "" for None.
std::string CommandName(CliCommand command);

} // namespace veralith::app

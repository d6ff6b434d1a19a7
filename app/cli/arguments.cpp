#include "app/cli/arguments.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>
#include <string_view>

namespace veralith::app {

namespace {

struct CommandInfo
{
    CliCommand command;
    const char* name;
    // The options the command takes (besides --help).
    std::vector<std::string_view> options;
    const char* usage;
};

const std::vector<CommandInfo>& Commands()
{
    static const std::vector<CommandInfo> commands {
        {CliCommand::Trees, "trees", {},
            "usage: veralith-cli [--tree-file FILE]... trees\n"
            "Prints the tree list, one name a line, in scan order.\n"},
        {CliCommand::Classes, "classes", {"--tree"},
            "usage: veralith-cli [--tree-file FILE]... classes [--tree NAME]\n"
            "Prints every class name of the schema, sorted, one a line; auxiliary classes\n"
            "are followed by a TAB and \"aux\".\n"},
        {CliCommand::Attributes, "attributes", {"--tree", "--class"},
            "usage: veralith-cli [--tree-file FILE]... attributes [--tree NAME] [--class CLASS]\n"
            "Prints the attribute names of the class (default \"*\": every attribute of the\n"
            "schema), mandatory and optional, inherited ones included, sorted.\n"},
        {CliCommand::Containers, "containers", {"--tree", "--context"},
            "usage: veralith-cli [--tree-file FILE]... containers [--tree NAME] [--context NAME]\n"
            "Prints the containers directly below the context (default: the tree's default\n"
            "name context, else [Root]), sorted.\n"},
        {CliCommand::Read, "read", {"--tree", "--object", "--attribute"},
            "usage: veralith-cli [--tree-file FILE]... read [--tree NAME] --object NAME --attribute SPEC\n"
            "Prints the attribute's values as text, joined by CR LF.\n"},
        {CliCommand::Search, "search", {"--tree", "--base", "--filter", "--scope", "--template", "--limit"},
            "usage: veralith-cli [--tree-file FILE]... search [--tree NAME] [--base NAME] [--filter TEXT]\n"
            "                    [--scope 0|1|2] [--template TEXT] [--limit N]\n"
            "Prints one display text per object found, in the order found. Defaults: --base\n"
            "[Root], no filter (every object in scope), --scope 2, --template #NAME#, no limit.\n"},
        {CliCommand::Find, "find",
            {"--tree", "--base", "--class", "--attribute", "--mode", "--recurse", "--format", "--output"},
            "usage: veralith-cli [--tree-file FILE]... find [--tree NAME] [--base NAME] [--class CLASS]\n"
            "                    [--attribute ATTR] [--mode duplicates|present|absent|show] [--recurse]\n"
            "                    [--format text|csv|json] [--output FILE]\n"
            "Runs the window's search: finds the objects of the class below the base (default\n"
            "[Root]; --recurse: the whole subtree), reads the attribute of each and, in the\n"
            "duplicates mode (default), reports every object whose value equals an earlier\n"
            "object's value. Exit status 1 when duplicates were found.\n"},
        {CliCommand::Snapshot, "snapshot", {"--tree-file", "--tree", "--format", "--output"},
            "usage: veralith-cli [--tree-file FILE]... snapshot [--tree-file SOURCE] [--tree NAME]\n"
            "                    [--format json|ldif] [--output FILE]\n"
            "Writes the whole tree (any source, LDAP servers included) as a tree file (json,\n"
            "the default) or as LDIF, to the file or to standard output, so that a check can\n"
            "be repeated offline on the same directory.\n"},
    };
    return commands;
}

const char* const kOverview = "usage: veralith-cli [--tree-file FILE]... COMMAND [OPTIONS]\n"
                              "\n"
                              "Commands: trees, classes, attributes, containers, read, search, find, snapshot.\n"
                              "Run \"veralith-cli COMMAND --help\" for a command's options.\n"
                              "\n"
                              "--tree-file FILE  a tree source (repeatable; the first is the primary connection);\n"
                              "                  without it VERALITH_TREES, else the built-in sample trees\n"
                              "--tree NAME       the tree a command works on (default: the primary connection's)\n"
                              "\n"
                              "Exit status: 0 success (find --mode duplicates: no duplicates), 1 duplicates found,\n"
                              "2 bad usage, a tree source that cannot be loaded, or a directory error.\n";

const CommandInfo* FindCommand(std::string_view name)
{
    for (const CommandInfo& info : Commands()) {
        if (name == info.name) {
            return &info;
        }
    }
    return nullptr;
}

const CommandInfo* FindCommand(CliCommand command)
{
    for (const CommandInfo& info : Commands()) {
        if (command == info.command) {
            return &info;
        }
    }
    return nullptr;
}

// Options that take no value.
bool IsFlag(std::string_view option)
{
    return option == "--recurse" || option == "--help";
}

// Splits "--name=value" into name and value.
std::pair<std::string, std::optional<std::string>> SplitOption(const std::string& arg)
{
    const std::size_t equals = arg.find('=');
    if (equals == std::string::npos) {
        return {arg, std::nullopt};
    }
    return {arg.substr(0, equals), arg.substr(equals + 1)};
}

bool ParseUnsigned(const std::string& text, std::uint32_t& value)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    return !text.empty() && error == std::errc() && end == last;
}

// Applies one option with its value to the options; returns an error text
// or "".
std::string ApplyOption(const std::string& option, const std::string& value, CliOptions& options)
{
    if (option == "--tree") {
        options.tree = value;
    } else if (option == "--class") {
        options.className = value;
    } else if (option == "--context") {
        options.context = value;
    } else if (option == "--object") {
        options.object = value;
    } else if (option == "--attribute") {
        options.attribute = value;
    } else if (option == "--base") {
        options.base = value;
    } else if (option == "--filter") {
        options.filter = value;
    } else if (option == "--template") {
        options.nameTemplate = value;
    } else if (option == "--output") {
        if (value.empty()) {
            return "--output: the file name is empty";
        }
        options.output = value;
    } else if (option == "--scope") {
        if (value != "0" && value != "1" && value != "2") {
            return "--scope: \"" + value + "\" is not 0, 1 or 2";
        }
        options.scope = value[0] - '0';
    } else if (option == "--limit") {
        std::uint32_t limit = 0;
        if (!ParseUnsigned(value, limit) || limit == 0) {
            return "--limit: \"" + value + "\" is not a positive whole number";
        }
        options.limit = limit;
    } else if (option == "--mode") {
        static const std::array<std::pair<std::string_view, CheckMode>, 4> modes {{
            {"duplicates", CheckMode::Duplicates},
            {"present", CheckMode::Present},
            {"absent", CheckMode::NotPresent},
            {"show", CheckMode::JustShow},
        }};
        const auto found =
            std::find_if(modes.begin(), modes.end(), [&](const auto& entry) { return entry.first == value; });
        if (found == modes.end()) {
            return "--mode: \"" + value + "\" is not duplicates, present, absent or show";
        }
        options.mode = found->second;
    } else if (option == "--tree-file") {
        if (value.empty()) {
            return "--tree-file: the file name is empty";
        }
        options.treeFiles.push_back(value);
    } else if (option == "--format" && options.command == CliCommand::Snapshot) {
        if (value != "json" && value != "ldif") {
            return "--format: \"" + value + "\" is not json or ldif";
        }
        options.snapshotLdif = value == "ldif";
    } else if (option == "--format") {
        if (value == "text") {
            options.format = OutputFormat::Text;
        } else if (value == "csv") {
            options.format = OutputFormat::Csv;
        } else if (value == "json") {
            options.format = OutputFormat::Json;
        } else {
            return "--format: \"" + value + "\" is not text, csv or json";
        }
    }
    return "";
}

} // namespace

std::string CommandName(CliCommand command)
{
    const CommandInfo* info = FindCommand(command);
    return info != nullptr ? info->name : "";
}

std::string CommandUsage(CliCommand command)
{
    const CommandInfo* info = FindCommand(command);
    return info != nullptr ? info->usage : kOverview;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine parsed;
    CliOptions& options = parsed.options;
    std::size_t index = 0;

    // Program options before the command.
    for (; index < args.size(); ++index) {
        const auto [option, inlineValue] = SplitOption(args[index]);
        if (option == "--help" || option == "-h") {
            options.help = true;
            return parsed;
        }
        if (option != "--tree-file") {
            break;
        }
        if (inlineValue) {
            options.treeFiles.push_back(*inlineValue);
        } else if (index + 1 < args.size()) {
            options.treeFiles.push_back(args[++index]);
        } else {
            parsed.error = "--tree-file: missing file name";
            return parsed;
        }
        if (options.treeFiles.back().empty()) {
            parsed.error = "--tree-file: the file name is empty";
            return parsed;
        }
    }

    if (index == args.size()) {
        parsed.error = "no command given";
        return parsed;
    }
    const CommandInfo* command = FindCommand(args[index]);
    if (command == nullptr) {
        parsed.error = args[index].starts_with("-") ? "unknown option \"" + args[index] + "\""
                                                    : "unknown command \"" + args[index] + "\"";
        return parsed;
    }
    options.command = command->command;
    ++index;

    // --help anywhere after the command asks for the command's usage only.
    if (std::any_of(args.begin() + static_cast<std::ptrdiff_t>(index), args.end(),
            [](const std::string& arg) { return arg == "--help" || arg == "-h"; })) {
        options.help = true;
        return parsed;
    }

    const std::string commandName = command->name;
    std::set<std::string> seen;
    for (; index < args.size(); ++index) {
        const auto [option, inlineValue] = SplitOption(args[index]);
        const bool known =
            std::find(command->options.begin(), command->options.end(), option) != command->options.end();
        if (!known) {
            parsed.error = args[index].starts_with("-") ? commandName + ": unknown option \"" + option + "\""
                                                        : commandName + ": unexpected argument \"" + args[index] + "\"";
            return parsed;
        }
        if (!seen.insert(option).second) {
            parsed.error = commandName + ": " + option + " given twice";
            return parsed;
        }
        if (IsFlag(option)) {
            if (inlineValue) {
                parsed.error = commandName + ": " + option + " takes no value";
                return parsed;
            }
            options.recurse = true;
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (index + 1 < args.size()) {
            value = args[++index];
        } else {
            parsed.error = commandName + ": " + option + ": missing value";
            return parsed;
        }
        const std::string error = ApplyOption(option, value, options);
        if (!error.empty()) {
            parsed.error = commandName + ": " + error;
            return parsed;
        }
    }

    if (options.command == CliCommand::Read) {
        if (!seen.contains("--object")) {
            parsed.error = "read: --object is required";
        } else if (!seen.contains("--attribute")) {
            parsed.error = "read: --attribute is required";
        }
    }
    return parsed;
}

} // namespace veralith::app

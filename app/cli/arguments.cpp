#include "app/cli/arguments.h"

#include "util/build_info.h"

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
        {CliCommand::Read, "read", {"--tree", "--object", "--attribute", "--format"},
            "usage: veralith-cli [--tree-file FILE]... read [--tree NAME] --object NAME --attribute SPEC\n"
            "                    [--format text|csv|json]\n"
            "Prints the attribute's values as text, joined by CR LF (csv: one row per value\n"
            "line; json: the object, the attribute and the list of value lines).\n"},
        {CliCommand::Search, "search", {"--tree", "--base", "--filter", "--scope", "--template", "--limit", "--format"},
            "usage: veralith-cli [--tree-file FILE]... search [--tree NAME] [--base NAME] [--filter TEXT]\n"
            "                    [--scope 0|1|2] [--template TEXT] [--limit N] [--format text|csv|json]\n"
            "Prints one display text per object found, in the order found. Defaults: --base\n"
            "[Root], no filter (every object in scope), --scope 2, --template #NAME#, no limit.\n"},
        {CliCommand::Find, "find",
            {"--tree", "--base", "--class", "--attribute", "--mode", "--recurse", "--format", "--output",
                "--each-value", "--match", "--unique", "--ignore-value", "--exclude-base", "--report", "--progress",
                "--no-progress"},
            "usage: veralith-cli [--tree-file FILE]... find [--tree NAME] [--base NAME] [--class CLASS]\n"
            "                    [--attribute ATTR]... [--mode duplicates|present|absent|show] [--recurse]\n"
            "                    [--each-value] [--match case|exact|directory]\n"
            "                    [--unique attribute|all|others|combination]\n"
            "                    [--ignore-value TEXT]... [--exclude-base NAME]...\n"
            "                    [--report log|groups] [--format text|csv|json] [--output FILE]\n"
            "                    [--progress|--no-progress]\n"
            "Runs the window's search: finds the objects of the class below the base (default\n"
            "[Root]; --recurse: the whole subtree), reads the attribute of each and, in the\n"
            "duplicates mode (default), reports every object whose value equals an earlier\n"
            "object's value. Exit status 1 when duplicates were found.\n"
            "Duplicates mode choices: --each-value compares a multi-valued attribute's values\n"
            "one by one; --match case (default: ASCII letters folded), exact (byte for byte)\n"
            "or directory (by the attribute's syntax, as an LDAP server matches); a repeated\n"
            "--attribute compares several attributes, --unique saying how: within each\n"
            "attribute (default), across all (an object's own attributes too), across all\n"
            "between different objects only, or the combination of values; --ignore-value\n"
            "leaves a value out; --exclude-base leaves a subtree out (in every mode);\n"
            "--report groups prints each duplicated value with the objects that hold it.\n"
            "A progress line on standard error while it runs when that is a terminal\n"
            "(--progress: always, --no-progress: never).\n"},
        {CliCommand::Snapshot, "snapshot", {"--tree-file", "--tree", "--format", "--output"},
            "usage: veralith-cli [--tree-file FILE]... snapshot [--tree-file SOURCE] [--tree NAME]\n"
            "                    [--format json|ldif] [--output FILE]\n"
            "Writes the whole tree (any source, LDAP servers included) as a tree file (json,\n"
            "the default) or as LDIF, to the file or to standard output, so that a check can\n"
            "be repeated offline on the same directory.\n"},
    };
    return commands;
}

const char* const kOverview = "usage: veralith-cli [--tree-file FILE]... [--quiet] COMMAND [OPTIONS]\n"
                              "       veralith-cli --help | --version\n"
                              "\n"
                              "Commands: trees, classes, attributes, containers, read, search, find, snapshot.\n"
                              "Run \"veralith-cli COMMAND --help\" for a command's options.\n"
                              "\n"
                              "Before the command:\n"
                              "--tree-file FILE  a tree source (repeatable; the first is the primary connection;\n"
                              "                  \"-\" reads a tree file from standard input); without it\n"
                              "                  VERALITH_TREES, else the built-in sample trees\n"
                              "--quiet           no informational messages (\"No duplicates found\") on standard\n"
                              "                  error, errors still; also taken after the command\n"
                              "--version         print the version\n"
                              "After the command (see its --help):\n"
                              "--tree NAME       the tree a command works on (default: the primary connection's)\n"
                              "--                ends the options\n"
                              "\n"
                              "Exit status: 0 success (find --mode duplicates: no duplicates), 1 duplicates found\n"
                              "(find only), 2 any failure: bad usage, a tree source that cannot be loaded, a\n"
                              "directory error, a search or a read that failed; the message is on standard error.\n";

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
    return option == "--recurse" || option == "--help" || option == "--quiet" || option == "--version" ||
        option == "--each-value" || option == "--progress" || option == "--no-progress";
}

// Options of find that may be given more than once.
bool IsRepeatable(CliCommand command, std::string_view option)
{
    return command == CliCommand::Find &&
        (option == "--attribute" || option == "--ignore-value" || option == "--exclude-base");
}

// Applies one of find's compare options; returns an error text or "".
std::string ApplyCompareOption(const std::string& option, const std::string& value, CliOptions& options)
{
    CompareOptions& compare = options.compare;
    if (option == "--ignore-value") {
        compare.ignoredValues.push_back(value);
    } else if (option == "--exclude-base") {
        if (value.empty()) {
            return "--exclude-base: the name is empty";
        }
        compare.excludedBases.push_back(value);
    } else if (option == "--match") {
        static const std::array<std::pair<std::string_view, MatchRule>, 3> rules {{
            {"case", MatchRule::Case},
            {"exact", MatchRule::Exact},
            {"directory", MatchRule::Directory},
        }};
        const auto found =
            std::find_if(rules.begin(), rules.end(), [&](const auto& entry) { return entry.first == value; });
        if (found == rules.end()) {
            return "--match: \"" + value + "\" is not case, exact or directory";
        }
        compare.match = found->second;
    } else if (option == "--unique") {
        static const std::array<std::pair<std::string_view, Uniqueness>, 4> kinds {{
            {"attribute", Uniqueness::PerAttribute},
            {"all", Uniqueness::AcrossAll},
            {"others", Uniqueness::AcrossOthers},
            {"combination", Uniqueness::Combination},
        }};
        const auto found =
            std::find_if(kinds.begin(), kinds.end(), [&](const auto& entry) { return entry.first == value; });
        if (found == kinds.end()) {
            return "--unique: \"" + value + "\" is not attribute, all, others or combination";
        }
        compare.uniqueness = found->second;
    } else if (option == "--report") {
        if (value != "log" && value != "groups") {
            return "--report: \"" + value + "\" is not log or groups";
        }
        options.reportGroups = value == "groups";
    }
    return "";
}

bool IsHelp(std::string_view arg)
{
    return arg == "--help" || arg == "-h";
}

// An argument that is an option of its own and never an option's value.
bool LooksLikeOption(std::string_view arg)
{
    return arg.starts_with("--");
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
        if (value.empty() && options.command == CliCommand::Find && options.attribute) {
            return "--attribute: the name is empty";
        }
        if (options.attribute) {
            options.compare.moreAttributes.push_back(value);
        } else {
            options.attribute = value;
        }
    } else if (option == "--base") {
        options.base = value;
    } else if (option == "--filter") {
        options.filter = value;
    } else if (option == "--template") {
        if (value.empty()) {
            return "--template: the template is empty";
        }
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
    } else {
        return ApplyCompareOption(option, value, options);
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

std::string VersionText()
{
    return std::string("veralith-cli ") + util::kVersion + "\n";
}

namespace {

// Finds --help, -h or --version where an option stands (not where a value
// does, nor after "--"); sets the options' flags. The command is the first
// argument after the program options.
void ScanForHelp(const std::vector<std::string>& args, CliOptions& options)
{
    bool beforeCommand = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto [option, inlineValue] = SplitOption(args[i]);
        if (args[i] == "--") {
            if (!beforeCommand) {
                return;
            }
            // The command follows.
            ++i;
            if (i < args.size()) {
                options.command = FindCommand(args[i]) != nullptr ? FindCommand(args[i])->command : CliCommand::None;
            }
            beforeCommand = false;
            continue;
        }
        if (IsHelp(args[i])) {
            options.help = true;
            return;
        }
        if (args[i] == "--version" && beforeCommand) {
            options.version = true;
            return;
        }
        if (beforeCommand && !args[i].starts_with("-")) {
            const CommandInfo* command = FindCommand(args[i]);
            if (command == nullptr) {
                return;
            }
            options.command = command->command;
            beforeCommand = false;
            continue;
        }
        // An option that takes a value and has none inline: the next argument
        // is its value unless it is an option of its own.
        if (option.starts_with("--") && !IsFlag(option) && !inlineValue && i + 1 < args.size() &&
            !LooksLikeOption(args[i + 1])) {
            ++i;
        }
    }
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine parsed;
    CliOptions& options = parsed.options;
    ScanForHelp(args, options);
    if (options.help || options.version) {
        return parsed;
    }
    options.command = CliCommand::None;
    std::size_t index = 0;

    // Program options before the command.
    for (; index < args.size(); ++index) {
        const auto [option, inlineValue] = SplitOption(args[index]);
        if (args[index] == "--") {
            ++index;
            break;
        }
        if (option == "--quiet") {
            if (inlineValue) {
                parsed.error = "--quiet takes no value";
                return parsed;
            }
            options.quiet = true;
            continue;
        }
        if (option != "--tree-file") {
            break;
        }
        if (inlineValue) {
            options.treeFiles.push_back(*inlineValue);
        } else if (index + 1 < args.size() && !LooksLikeOption(args[index + 1])) {
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

    const std::string commandName = command->name;
    std::set<std::string> seen;
    bool optionsEnded = false;
    for (; index < args.size(); ++index) {
        if (!optionsEnded && args[index] == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded) {
            parsed.error = commandName + ": unexpected argument \"" + args[index] + "\"";
            return parsed;
        }
        const auto [option, inlineValue] = SplitOption(args[index]);
        const bool known = option == "--quiet" ||
            std::find(command->options.begin(), command->options.end(), option) != command->options.end();
        if (!known) {
            parsed.error = args[index].starts_with("-") ? commandName + ": unknown option \"" + option + "\""
                                                        : commandName + ": unexpected argument \"" + args[index] + "\"";
            return parsed;
        }
        if (!seen.insert(option).second && !IsRepeatable(options.command, option)) {
            parsed.error = commandName + ": " + option + " given twice";
            return parsed;
        }
        if (IsFlag(option)) {
            if (inlineValue) {
                parsed.error = commandName + ": " + option + " takes no value";
                return parsed;
            }
            if (option == "--quiet") {
                options.quiet = true;
            } else if (option == "--each-value") {
                options.compare.eachValue = true;
            } else if (option == "--progress" || option == "--no-progress") {
                options.progress = option == "--progress";
            } else {
                options.recurse = true;
            }
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (index + 1 < args.size() && !LooksLikeOption(args[index + 1])) {
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

    if (options.command == CliCommand::Find && seen.contains("--unique") && options.compare.moreAttributes.empty()) {
        parsed.error = "find: --unique needs two or more --attribute";
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

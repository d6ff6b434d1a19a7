#include "app/cli/option_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace veralith::app {

namespace {

using enum CliCommand;

std::string NoError()
{
    return {};
}

std::string StoreTreeFile(const OptionValue& value, CliOptions& options)
{
    if (value.text.empty()) {
        return "the file name is empty";
    }
    options.treeFiles.push_back(value.text);
    return NoError();
}

// find takes --attribute again for each further attribute it compares.
std::string StoreFindAttribute(const OptionValue& value, CliOptions& options)
{
    if (!options.attribute) {
        options.attribute = value.text;
    } else if (value.text.empty()) {
        return "the name is empty";
    } else {
        options.compare.moreAttributes.push_back(value.text);
    }
    return NoError();
}

std::string StoreLimit(const OptionValue& value, CliOptions& options)
{
    const std::string& text = value.text;
    std::uint32_t limit = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), limit);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || limit == 0) {
        return "\"" + text + "\" is not a positive whole number";
    }
    options.limit = limit;
    return NoError();
}

// Stores the value's text in a field of the options.
template<auto Field>
std::string StoreText(const OptionValue& value, CliOptions& options)
{
    options.*Field = value.text;
    return NoError();
}

// Stores a fixed value (a flag's) in a field of the options.
template<auto Field, auto Constant>
std::string StoreConstant(const OptionValue&, CliOptions& options)
{
    options.*Field = Constant;
    return NoError();
}

// Stores the value that stands for the chosen choice, in the order of the
// option's choices.
template<auto Field, auto... Values>
std::string StoreChoice(const OptionValue& value, CliOptions& options)
{
    static constexpr std::array kValues {Values...};
    options.*Field = kValues.at(value.choice);
    return NoError();
}

// Stores a text that must not be empty; what names it in the error.
template<auto Field>
std::string StoreNonEmpty(const OptionValue& value, CliOptions& options, std::string_view what)
{
    if (value.text.empty()) {
        return std::string(what) + " is empty";
    }
    options.*Field = value.text;
    return NoError();
}

template<auto Field>
std::string StoreFileName(const OptionValue& value, CliOptions& options)
{
    return StoreNonEmpty<Field>(value, options, "the file name");
}

std::string StoreTemplate(const OptionValue& value, CliOptions& options)
{
    return StoreNonEmpty<&CliOptions::nameTemplate>(value, options, "the template");
}

std::string StoreMatch(const OptionValue& value, CliOptions& options)
{
    static constexpr std::array kRules {MatchRule::Case, MatchRule::Exact, MatchRule::Directory};
    options.compare.match = kRules.at(value.choice);
    return NoError();
}

std::string StoreUniqueness(const OptionValue& value, CliOptions& options)
{
    static constexpr std::array kKinds {
        Uniqueness::PerAttribute, Uniqueness::AcrossAll, Uniqueness::AcrossOthers, Uniqueness::Combination};
    options.compare.uniqueness = kKinds.at(value.choice);
    return NoError();
}

std::string StoreEachValue(const OptionValue&, CliOptions& options)
{
    options.compare.eachValue = true;
    return NoError();
}

std::string StoreIgnoredValue(const OptionValue& value, CliOptions& options)
{
    options.compare.ignoredValues.push_back(value.text);
    return NoError();
}

std::string StoreExcludedBase(const OptionValue& value, CliOptions& options)
{
    if (value.text.empty()) {
        return "the name is empty";
    }
    options.compare.excludedBases.push_back(value.text);
    return NoError();
}

const std::vector<CliCommand> kTreeCommands {Classes, Attributes, Containers, Read, Search, Find, Snapshot};

std::vector<OptionSpec> MakeOptionTable()
{
    using O = CliOptions;
    return {
        {.name = "--tree-file",
            .placeholder = "FILE",
            .place = OptionPlace::BeforeCommand,
            .repeatable = true,
            .overview = "a tree source (repeatable; the first is the primary connection;\n"
                        "\"-\" reads a tree file from standard input); without it\n"
                        "VERALITH_TREES, else the built-in sample trees",
            .missingValue = "missing file name",
            .store = StoreTreeFile},
        {.name = "--quiet",
            .place = OptionPlace::Anywhere,
            .overview = "no informational messages (\"No duplicates found\") on standard\n"
                        "error, errors still; also taken after the command",
            .store = StoreConstant<&O::quiet, true>},
        {.name = "--version", .place = OptionPlace::BeforeCommand, .overview = "print the version"},
        {.name = "--help", .alias = "-h", .place = OptionPlace::Anywhere},
        {.name = "--tree",
            .placeholder = "NAME",
            .commands = kTreeCommands,
            .overview = "the tree a command works on (default: the primary connection's)",
            .store = StoreText<&O::tree>},
        {.name = "--", .overview = "ends the options"},
        {.name = "--tree-file", .placeholder = "SOURCE", .commands = {Snapshot}, .store = StoreTreeFile},
        {.name = "--base", .placeholder = "NAME", .commands = {Search, Find}, .store = StoreText<&O::base>},
        {.name = "--class", .placeholder = "CLASS", .commands = {Attributes, Find}, .store = StoreText<&O::className>},
        {.name = "--context", .placeholder = "NAME", .commands = {Containers}, .store = StoreText<&O::context>},
        {.name = "--object",
            .placeholder = "NAME",
            .commands = {Read},
            .required = true,
            .store = StoreText<&O::object>},
        {.name = "--attribute",
            .placeholder = "SPEC",
            .commands = {Read},
            .required = true,
            .store = StoreText<&O::attribute>},
        {.name = "--attribute",
            .placeholder = "ATTR",
            .commands = {Find},
            .repeatable = true,
            .store = StoreFindAttribute},
        {.name = "--filter", .placeholder = "TEXT", .commands = {Search}, .store = StoreText<&O::filter>},
        {.name = "--scope", .choices = {"0", "1", "2"}, .commands = {Search}, .store = StoreChoice<&O::scope, 0, 1, 2>},
        {.name = "--template", .placeholder = "TEXT", .commands = {Search}, .store = StoreTemplate},
        {.name = "--limit", .placeholder = "N", .commands = {Search}, .store = StoreLimit},
        {.name = "--mode",
            .choices = {"duplicates", "present", "absent", "show"},
            .commands = {Find},
            .store = StoreChoice<&O::mode, CheckMode::Duplicates, CheckMode::Present, CheckMode::NotPresent,
                CheckMode::JustShow>},
        {.name = "--recurse", .commands = {Find}, .store = StoreConstant<&O::recurse, true>},
        {.name = "--each-value", .commands = {Find}, .store = StoreEachValue},
        {.name = "--match", .choices = {"case", "exact", "directory"}, .commands = {Find}, .store = StoreMatch},
        {.name = "--unique",
            .choices = {"attribute", "all", "others", "combination"},
            .commands = {Find},
            .store = StoreUniqueness},
        {.name = "--ignore-value",
            .placeholder = "TEXT",
            .commands = {Find},
            .repeatable = true,
            .store = StoreIgnoredValue},
        {.name = "--exclude-base",
            .placeholder = "NAME",
            .commands = {Find},
            .repeatable = true,
            .store = StoreExcludedBase},
        {.name = "--report",
            .choices = {"log", "groups"},
            .commands = {Find},
            .store = StoreChoice<&O::reportGroups, false, true>},
        {.name = "--format",
            .choices = {"text", "csv", "json"},
            .commands = {Read, Search, Find},
            .store = StoreChoice<&O::format, OutputFormat::Text, OutputFormat::Csv, OutputFormat::Json>},
        {.name = "--format",
            .choices = {"json", "ldif"},
            .commands = {Snapshot},
            .store = StoreChoice<&O::snapshotLdif, false, true>},
        {.name = "--output", .placeholder = "FILE", .commands = {Find, Snapshot}, .store = StoreFileName<&O::output>},
        {.name = "--progress", .commands = {Find}, .store = StoreConstant<&O::progress, true>},
        {.name = "--no-progress", .commands = {Find}, .store = StoreConstant<&O::progress, false>},
    };
}

std::vector<CommandSpec> MakeCommandTable()
{
    return {
        {Trees, "trees", {}, "Prints the tree list, one name a line, in scan order.\n"},
        {Classes, "classes", {"--tree"},
            "Prints every class name of the schema, sorted, one a line; auxiliary classes\n"
            "are followed by a TAB and \"aux\".\n"},
        {Attributes, "attributes", {"--tree --class"},
            "Prints the attribute names of the class (default \"*\": every attribute of the\n"
            "schema), mandatory and optional, inherited ones included, sorted.\n"},
        {Containers, "containers", {"--tree --context"},
            "Prints the containers directly below the context (default: the tree's default\n"
            "name context, else [Root]), sorted.\n"},
        {Read, "read", {"--tree --object --attribute", "--format"},
            "Prints the attribute's values as text, joined by CR LF (csv: one row per value\n"
            "line; json: the object, the attribute and the list of value lines).\n"},
        {Search, "search", {"--tree --base --filter", "--scope --template --limit --format"},
            "Prints one display text per object found, in the order found. Defaults: --base\n"
            "[Root], no filter (every object in scope), --scope 2, --template #NAME#, no limit.\n"},
        {Find, "find",
            {"--tree --base --class", "--attribute --mode --recurse", "--each-value --match", "--unique",
                "--ignore-value --exclude-base", "--report --format --output", "--progress|--no-progress"},
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
        {Snapshot, "snapshot", {"--tree-file --tree", "--format --output"},
            "Writes the whole tree (any source, LDAP servers included) as a tree file (json,\n"
            "the default) or as LDIF, to the file or to standard output, so that a check can\n"
            "be repeated offline on the same directory.\n"},
    };
}

} // namespace

std::string OptionSpec::ValueText() const
{
    if (choices.empty()) {
        return std::string(placeholder);
    }
    std::string text;
    for (const std::string_view choice : choices) {
        text += (text.empty() ? "" : "|") + std::string(choice);
    }
    return text;
}

std::string OptionSpec::NameAndValue() const
{
    return TakesValue() ? std::string(name) + " " + ValueText() : std::string(name);
}

bool OptionSpec::IsTakenBy(CliCommand command) const
{
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

const std::vector<OptionSpec>& OptionTable()
{
    static const std::vector<OptionSpec> kTable = MakeOptionTable();
    return kTable;
}

const std::vector<CommandSpec>& CommandTable()
{
    static const std::vector<CommandSpec> kTable = MakeCommandTable();
    return kTable;
}

const CommandSpec* FindCommandSpec(std::string_view name)
{
    for (const CommandSpec& spec : CommandTable()) {
        if (name == spec.name) {
            return &spec;
        }
    }
    return nullptr;
}

const CommandSpec* FindCommandSpec(CliCommand command)
{
    for (const CommandSpec& spec : CommandTable()) {
        if (command == spec.command) {
            return &spec;
        }
    }
    return nullptr;
}

const OptionSpec* FindParsedOption(std::string_view name, CliCommand command)
{
    for (const OptionSpec& option : OptionTable()) {
        if (option.name != name || option.store == nullptr) {
            continue;
        }
        const bool before = command == CliCommand::None;
        const bool placed = option.place == OptionPlace::Anywhere ||
            (before ? option.place == OptionPlace::BeforeCommand : option.IsTakenBy(command));
        if (placed) {
            return &option;
        }
    }
    return nullptr;
}

bool IsFlagOption(std::string_view name)
{
    return std::any_of(OptionTable().begin(), OptionTable().end(), [&](const OptionSpec& option) {
        return (option.name == name || (!option.alias.empty() && option.alias == name)) && !option.TakesValue();
    });
}

std::string SynopsisFragment(const OptionSpec& option)
{
    std::string text = option.NameAndValue();
    if (!option.required) {
        text = "[" + text + "]";
    }
    return option.repeatable ? text + "..." : text;
}

namespace {

const OptionSpec& OptionOfCommand(std::string_view name, CliCommand command)
{
    const auto& table = OptionTable();
    const auto found = std::find_if(table.begin(), table.end(),
        [&](const OptionSpec& option) { return option.name == name && option.IsTakenBy(command); });
    if (found == table.end()) {
        throw std::logic_error("the usage names " + std::string(name) + ", which the command does not take");
    }
    return *found;
}

// "--progress|--no-progress": options that exclude each other, in one pair
// of brackets.
std::string AlternativesFragment(std::string_view names, CliCommand command)
{
    std::string text;
    std::size_t start = 0;
    while (start <= names.size()) {
        const std::size_t bar = std::min(names.find('|', start), names.size());
        text += (text.empty() ? "" : "|") + OptionOfCommand(names.substr(start, bar - start), command).NameAndValue();
        start = bar + 1;
    }
    return "[" + text + "]";
}

} // namespace

std::vector<std::string> SynopsisLines(const CommandSpec& command)
{
    std::vector<std::string> lines;
    for (const std::string_view line : command.synopsis) {
        std::string text;
        std::size_t start = 0;
        while (start < line.size()) {
            const std::size_t space = std::min(line.find(' ', start), line.size());
            const std::string_view word = line.substr(start, space - start);
            text += text.empty() ? "" : " ";
            text += word.find('|') != std::string_view::npos ? AlternativesFragment(word, command.command)
                                                             : SynopsisFragment(OptionOfCommand(word, command.command));
            start = space + 1;
        }
        lines.push_back(text);
    }
    return lines;
}

} // namespace veralith::app

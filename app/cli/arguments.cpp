#include "app/cli/arguments.h"

#include "app/cli/option_table.h"
#include "util/build_info.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace veralith::app {

namespace {

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

// "a, b or c": the choices as an error message lists them.
std::string ChoiceList(const OptionSpec& option)
{
    std::string list;
    for (std::size_t i = 0; i < option.choices.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == option.choices.size() ? " or " : ", ") + std::string(option.choices[i]);
    }
    return list;
}

// Checks a value against the option's choices and stores it; returns an
// error text that starts with the option's name, or "".
std::string ApplyOption(const OptionSpec& option, const std::string& text, CliOptions& options)
{
    OptionValue value {text};
    if (!option.choices.empty()) {
        const auto found = std::find(option.choices.begin(), option.choices.end(), text);
        if (found == option.choices.end()) {
            return std::string(option.name) + ": \"" + text + "\" is not " + ChoiceList(option);
        }
        value.choice = static_cast<std::size_t>(found - option.choices.begin());
    }
    const std::string error = option.store(value, options);
    return error.empty() ? error : std::string(option.name) + ": " + error;
}

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
                const CommandSpec* command = FindCommandSpec(args[i]);
                options.command = command != nullptr ? command->command : CliCommand::None;
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
            const CommandSpec* command = FindCommandSpec(args[i]);
            if (command == nullptr) {
                return;
            }
            options.command = command->command;
            beforeCommand = false;
            continue;
        }
        // An option that takes a value and has none inline: the next argument
        // is its value unless it is an option of its own.
        if (option.starts_with("--") && !IsFlagOption(option) && !inlineValue && i + 1 < args.size() &&
            !LooksLikeOption(args[i + 1])) {
            ++i;
        }
    }
}

// Parses the program options before the command, from index on; leaves
// index at the command. Returns an error text or "".
std::string ParseProgramOptions(const std::vector<std::string>& args, std::size_t& index, CliOptions& options)
{
    for (; index < args.size(); ++index) {
        if (args[index] == "--") {
            ++index;
            break;
        }
        const auto [name, inlineValue] = SplitOption(args[index]);
        const OptionSpec* option = FindParsedOption(name, CliCommand::None);
        if (option == nullptr) {
            break;
        }
        if (!option->TakesValue()) {
            if (inlineValue) {
                return name + " takes no value";
            }
            option->store(OptionValue {std::string()}, options);
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (index + 1 < args.size() && !LooksLikeOption(args[index + 1])) {
            value = args[++index];
        } else {
            return name + ": " + std::string(option->missingValue);
        }
        if (std::string error = ApplyOption(*option, value, options); !error.empty()) {
            return error;
        }
    }
    return "";
}

// Parses the command's options from index on; returns an error text without
// the command's name, or "".
std::string ParseCommandOptions(const std::vector<std::string>& args, std::size_t index, CliOptions& options)
{
    std::set<std::string> seen;
    bool optionsEnded = false;
    for (; index < args.size(); ++index) {
        if (!optionsEnded && args[index] == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded) {
            return "unexpected argument \"" + args[index] + "\"";
        }
        const auto [name, inlineValue] = SplitOption(args[index]);
        const OptionSpec* option = FindParsedOption(name, options.command);
        if (option == nullptr) {
            return args[index].starts_with("-") ? "unknown option \"" + name + "\""
                                                : "unexpected argument \"" + args[index] + "\"";
        }
        if (!seen.insert(name).second && !option->repeatable) {
            return name + " given twice";
        }
        if (!option->TakesValue()) {
            if (inlineValue) {
                return name + " takes no value";
            }
            option->store(OptionValue {std::string()}, options);
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (index + 1 < args.size() && !LooksLikeOption(args[index + 1])) {
            value = args[++index];
        } else {
            return name + ": missing value";
        }
        if (std::string error = ApplyOption(*option, value, options); !error.empty()) {
            return error;
        }
    }
    for (const OptionSpec& option : OptionTable()) {
        if (option.required && option.IsTakenBy(options.command) && !seen.contains(std::string(option.name))) {
            return std::string(option.name) + " is required";
        }
    }
    if (options.command == CliCommand::Find && seen.contains("--unique") && options.compare.moreAttributes.empty()) {
        return "--unique needs two or more --attribute";
    }
    return "";
}

} // namespace

std::string VersionText()
{
    return std::string("veralith-cli ") + util::kVersion + "\n";
}

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
    parsed.error = ParseProgramOptions(args, index, options);
    if (!parsed.error.empty()) {
        return parsed;
    }
    if (index == args.size()) {
        parsed.error = "no command given";
        return parsed;
    }
    const CommandSpec* command = FindCommandSpec(args[index]);
    if (command == nullptr) {
        parsed.error = args[index].starts_with("-") ? "unknown option \"" + args[index] + "\""
                                                    : "unknown command \"" + args[index] + "\"";
        return parsed;
    }
    options.command = command->command;
    const std::string error = ParseCommandOptions(args, index + 1, options);
    if (!error.empty()) {
        parsed.error = std::string(command->name) + ": " + error;
    }
    return parsed;
}

} // namespace veralith::app

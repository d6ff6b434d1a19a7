// libFuzzer target for the command-line parser of veralith-cli: the input is
// split at NUL bytes into arguments and parsed; nothing is run.

#include "app/cli/arguments.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veralith::app;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::size_t pos = 0;
    while (pos <= input.size() && !input.empty()) {
        const std::size_t end = std::min(input.find('\0', pos), input.size());
        args.push_back(input.substr(pos, end - pos));
        pos = end + 1;
    }

    const ParsedCommandLine parsed = ParseCommandLine(args);
    const CliOptions& options = parsed.options;
    if (parsed.error.empty() && !options.help && !options.version) {
        // Accepted (not --help or --version alone): a command, and every
        // value within what the options allow.
        if (options.command == CliCommand::None || options.scope < 0 || options.scope > 2 ||
            (options.limit && *options.limit == 0) || (options.output && options.output->empty())) {
            __builtin_trap();
        }
    }
    const std::string usage = CommandUsage(options.command);
    if (usage.empty() || usage.back() != '\n' ||
        (options.command != CliCommand::None && CommandName(options.command).empty())) {
        __builtin_trap();
    }
    return 0;
}

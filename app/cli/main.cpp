// veralith-cli: the program's layers on the command line, without a window.

#include "app/cli/commands.h"
#include "platform/allocator.h"

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    veralith::platform::TuneAllocator();
    // The user's locale, as the window takes it: sorted output and the
    // duplicate check use its collation, values its regional settings.
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return veralith::app::RunCommandLine(args, stdout, stderr);
}

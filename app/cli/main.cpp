// veralith-cli: the program's layers on the command line, without a window.

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/commands.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return veralith::app::RunCommandLine(args, stdout, stderr);
}

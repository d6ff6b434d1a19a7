// The search run at scale, without a window:
//
//   veralith-bench-find TREE-FILE [--class CLASS] [--attribute ATTR] [--cli PATH] [--repeat N]
//
// Loads the tree file, then times the run of `find --mode duplicates
// --recurse` from "[Root]" in this process (the run alone, the tree already
// loaded), and, with --cli, the whole `veralith-cli find` command as a child
// process with its peak memory. Defaults: class User, attribute Surname.

#include "app/cli/cli_surface.h"
#include "app/cli/find_command.h"
#include "app/cli/session.h"
#include "app/run/search_run.h"
#include "bench/bench_process.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace veralith;

int Usage()
{
    std::fputs(
        "usage: veralith-bench-find TREE-FILE [--class CLASS] [--attribute ATTR] [--cli PATH] [--repeat N]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        return Usage();
    }
    const std::string treeFile = argv[1];
    std::string className = "User";
    std::string attribute = "Surname";
    std::string cli;
    int repeat = 3;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--class") {
            className = argv[i + 1];
        } else if (option == "--attribute") {
            attribute = argv[i + 1];
        } else if (option == "--cli") {
            cli = argv[i + 1];
        } else if (option == "--repeat") {
            repeat = std::max(1, std::atoi(argv[i + 1]));
        } else {
            return Usage();
        }
    }

    const bench::Stopwatch loading;
    if (const std::string problem = app::StartClient({treeFile}); !problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", treeFile.c_str(), problem.c_str());
        return 2;
    }
    app::CliSession session;
    if (const std::string problem = app::OpenSession("", session); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 2;
    }
    const double loadMilliseconds = loading.Milliseconds();

    app::SearchRunInputs inputs;
    inputs.classText = className;
    std::string message;
    if (!app::LookUpClass(session, inputs.classText, &inputs.classFlags, message)) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 2;
    }
    inputs.attributeName = attribute;
    inputs.attributeText = attribute;
    inputs.mode = app::CheckMode::Duplicates;
    inputs.recurse = true;
    inputs.searchContext = session.search.get();
    inputs.containerName = "[Root]";

    std::printf("tree %s: loaded in %.0f ms\n", treeFile.c_str(), loadMilliseconds);
    std::vector<double> runs;
    for (int i = 0; i < repeat; ++i) {
        app::CliSurface surface(nullptr);
        const bench::Stopwatch watch;
        const app::SearchRunResult result = app::RunSearch(inputs, surface);
        runs.push_back(watch.Milliseconds());
        std::printf("run %d: %zu objects, %zu duplicates, search result %d: %.0f ms\n", i + 1, surface.Objects().size(),
            surface.Duplicates().size(), result.searchResult, runs.back());
    }
    std::sort(runs.begin(), runs.end());
    std::printf("run (median of %d): %.0f ms; peak memory of this process %ld MB\n", repeat, runs[runs.size() / 2],
        bench::PeakKilobytes() / 1024);

    if (!cli.empty()) {
        std::vector<double> commands;
        long peak = 0;
        for (int i = 0; i < repeat; ++i) {
            const bench::ChildRun run = bench::RunChild(cli,
                {"--tree-file", treeFile, "find", "--mode", "duplicates", "--recurse", "--class", className,
                    "--attribute", attribute});
            commands.push_back(run.milliseconds);
            peak = std::max(peak, run.peakKilobytes);
            std::printf("veralith-cli find %d: exit %d, %.0f ms, peak %ld MB\n", i + 1, run.status, run.milliseconds,
                run.peakKilobytes / 1024);
        }
        std::sort(commands.begin(), commands.end());
        std::printf("veralith-cli find (median of %d): %.0f ms; peak memory %ld MB\n", repeat,
            commands[commands.size() / 2], peak / 1024);
    }
    return 0;
}

// The search run at scale, without a window:
//
//   veralith-bench-find (TREE-FILE | --users N [--write FILE]) [--class CLASS] [--attribute ATTR]
//                       [--cli PATH] [--repeat N]
//
// Loads the tree file (or generates one holding N users with the benchmark
// tree generator, written to FILE with --write, else to a temporary file),
// then times the run of `find --mode duplicates --recurse` from "[Root]" in
// this process (the run alone, the tree already loaded) with a breakdown of
// its steps, and, with --cli, the whole `veralith-cli find` command as a child
// process with its peak memory. Defaults: class User, attribute "Telephone
// Number" (the generator's duplicate target).

#include "app/cli/cli_surface.h"
#include "app/cli/find_command.h"
#include "app/cli/session.h"
#include "app/run/duplicate_list.h"
#include "app/run/search_run.h"
#include "bench/bench_process.h"
#include "bench/tree_generator.h"
#include "platform/allocator.h"
#include "search/search.h"
#include "values/read.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace veralith;

int Usage()
{
    std::fputs("usage: veralith-bench-find (TREE-FILE | --users N [--write FILE]) [--class CLASS] [--attribute ATTR]\n"
               "                           [--cli PATH] [--repeat N]\n",
        stderr);
    return 2;
}

// Writes a generated tree holding at least users users to path; the number of
// objects is raised until the generator's mix gives that many users.
bool GenerateTree(std::uint32_t users, const std::string& path)
{
    bench::TreeGeneratorOptions options;
    options.objects = users;
    bench::GeneratedTreeStats stats;
    std::string text;
    for (int attempt = 0; attempt < 6; ++attempt) {
        text = bench::GenerateTreeFile(options, &stats);
        if (stats.users >= users) {
            break;
        }
        options.objects = static_cast<std::uint32_t>(
            static_cast<double>(options.objects) * users / std::max<std::uint32_t>(stats.users, 1) + 16);
    }
    std::ofstream out(path, std::ios::binary);
    out << text;
    std::printf("generated %s: %u objects, %u users (%u with a duplicate telephone number), %zu MB\n", path.c_str(),
        stats.objects, stats.users, stats.usersWithDuplicatePhone, text.size() >> 20);
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    // As the programs measured do.
    veralith::platform::TuneAllocator();
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        return Usage();
    }
    std::string treeFile;
    std::uint32_t users = 0;
    std::string writeTo;
    std::string className = "User";
    std::string attribute = "Telephone Number";
    std::string cli;
    int repeat = 3;
    int first = 1;
    if (std::string(argv[1]).rfind("--", 0) != 0) {
        treeFile = argv[1];
        first = 2;
    }
    for (int i = first; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--users") {
            users = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        } else if (option == "--write") {
            writeTo = argv[i + 1];
        } else if (option == "--class") {
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
    std::string temporary;
    if (treeFile.empty()) {
        if (users == 0) {
            return Usage();
        }
        if (writeTo.empty()) {
            char pattern[] = "/tmp/veralith-bench-tree-XXXXXX";
            const int fd = mkstemp(pattern);
            if (fd < 0) {
                return 2;
            }
            close(fd);
            temporary = writeTo = pattern;
        }
        if (!GenerateTree(users, writeTo)) {
            std::fprintf(stderr, "%s: cannot write the tree file\n", writeTo.c_str());
            return 2;
        }
        treeFile = writeTo;
    }

    const bench::Stopwatch loading;
    if (const util::Status started = app::StartClient({treeFile}); !started) {
        std::fprintf(stderr, "%s: %s\n", treeFile.c_str(), started.Reason().c_str());
        return 2;
    }
    app::CliSession session;
    if (const util::Status opened = app::OpenSession("", session); !opened) {
        std::fprintf(stderr, "%s\n", opened.Reason().c_str());
        return 2;
    }
    const double loadMilliseconds = loading.Milliseconds();

    app::SearchRunInputs inputs;
    inputs.classText = className;
    if (const util::Status found = app::LookUpClass(session, inputs.classText, &inputs.classFlags); !found) {
        std::fprintf(stderr, "%s\n", found.Reason().c_str());
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
    std::vector<double> cpuRuns;
    for (int i = 0; i < repeat; ++i) {
        app::CliSurface surface(nullptr);
        const bench::Stopwatch watch;
        const bench::CpuStopwatch cpu;
        const app::SearchRunResult result = app::RunSearch(inputs, surface);
        runs.push_back(watch.Milliseconds());
        cpuRuns.push_back(cpu.Milliseconds());
        std::printf("run %d: %zu objects, %zu duplicates, search result %d: %.0f ms (CPU %.0f ms)\n", i + 1,
            surface.Objects().size(), surface.Duplicates().size(), result.searchResult, runs.back(), cpuRuns.back());
    }
    std::sort(runs.begin(), runs.end());
    std::sort(cpuRuns.begin(), cpuRuns.end());
    std::printf("run (median of %d): %.0f ms (CPU %.0f ms); peak memory of this process %ld MB\n", repeat,
        runs[runs.size() / 2], cpuRuns[cpuRuns.size() / 2], bench::PeakKilobytes() / 1024);

    // Where the run's time goes: its steps one by one.
    {
        const std::string filter =
            app::ComposeFilter(inputs.classText, inputs.classFlags, inputs.attributeText, inputs.mode).text;
        util::StringList found;
        bench::Stopwatch step;
        search::SearchObjectNames(inputs.searchContext, inputs.containerName, filter, 2, &found);
        const double searchMs = step.Milliseconds();
        app::CliSurface surface(nullptr);
        step = bench::Stopwatch();
        surface.AddObjects(found);
        const double sortMs = step.Milliseconds();
        std::vector<std::string> values;
        values.reserve(surface.Objects().size());
        step = bench::Stopwatch();
        for (const std::string& name : surface.Objects()) {
            std::string value;
            values::ReadAttributeText(inputs.searchContext, name, inputs.attributeName, value);
            values.push_back(std::move(value));
        }
        const double readMs = step.Milliseconds();
        app::DuplicateList duplicates;
        step = bench::Stopwatch();
        for (std::size_t i = 0; i < values.size(); ++i) {
            duplicates.Add(values[i], static_cast<std::int32_t>(i));
        }
        const double duplicateMs = step.Milliseconds();
        std::printf("steps: search %.0f ms, sorting the names %.0f ms, reading %zu values %.0f ms, duplicate list "
                    "%.0f ms\n",
            searchMs, sortMs, values.size(), readMs, duplicateMs);
    }

    if (!cli.empty()) {
        std::vector<double> commands;
        std::vector<double> cpuCommands;
        long peak = 0;
        for (int i = 0; i < repeat; ++i) {
            const bench::ChildRun run = bench::RunChild(cli,
                {"--tree-file", treeFile, "find", "--mode", "duplicates", "--recurse", "--class", className,
                    "--attribute", attribute});
            commands.push_back(run.milliseconds);
            cpuCommands.push_back(run.cpuMilliseconds);
            peak = std::max(peak, run.peakKilobytes);
            std::printf("veralith-cli find %d: exit %d, %.0f ms (CPU %.0f ms), peak %ld MB\n", i + 1, run.status,
                run.milliseconds, run.cpuMilliseconds, run.peakKilobytes / 1024);
        }
        std::sort(commands.begin(), commands.end());
        std::sort(cpuCommands.begin(), cpuCommands.end());
        std::printf("veralith-cli find (median of %d): %.0f ms (CPU %.0f ms); peak memory %ld MB\n", repeat,
            commands[commands.size() / 2], cpuCommands[cpuCommands.size() / 2], peak / 1024);
    }
    if (!temporary.empty()) {
        std::remove(temporary.c_str());
    }
    return 0;
}

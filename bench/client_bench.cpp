// Loads a generated tree of N objects, then runs a subtree search with one
// attribute read per found object, the way a search run of the program uses
// the client. Prints the timings and the peak memory of the process.
//
//   veralith-client-bench [N]              generate, then measure in a fresh process
//   veralith-client-bench generate N FILE  write the tree file only
//   veralith-client-bench measure FILE     load and search an existing file

#include "bench/tree_generator.h"
#include "client/client.h"
#include "client/memory/loader.h"
#include "client/scoped.h"
#include "client/service.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace veralith::client;

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU seconds this process has used (the machine may be shared, so wall
// time alone can mislead).
double CpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Peak resident memory of this process in MB (VmHWM).
double PeakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
        }
    }
    return 0;
}

int Generate(std::uint32_t objects, const std::string& path)
{
    veralith::bench::TreeGeneratorOptions options;
    options.objects = objects;
    veralith::bench::GeneratedTreeStats stats;
    const auto start = std::chrono::steady_clock::now();
    const std::string text = veralith::bench::GenerateTreeFile(options, &stats);
    std::ofstream(path, std::ios::binary) << text;
    std::printf("generated %u objects (%u containers, %u groups, %u users, %u with a duplicate phone), %.1f MB "
                "in %.2f s: %s\n",
        stats.objects, stats.containers, stats.groups, stats.users, stats.usersWithDuplicatePhone,
        static_cast<double>(text.size()) / 1e6, Seconds(start), path.c_str());
    return 0;
}

// One attribute read as the program's attribute reader does it: a duplicate
// context, a request and a reply buffer, DirRead until the handle is -1.
DirResult ReadOneAttribute(DirContext context, const char* object, const char* attribute, std::size_t* bytes)
{
    ScopedContext copy;
    DirDuplicateContext(context, copy.Out());
    ScopedBuffer request;
    ScopedBuffer reply;
    if (const DirResult rc = request.allocate(kSmallBufferSize); rc != 0) {
        return rc;
    }
    DirInitBuffer(copy.get(), DSV_READ, request.get());
    DirPutAttrName(copy.get(), request.get(), attribute);
    if (const DirResult rc = reply.allocate(kLargeBufferSize); rc != 0) {
        return rc;
    }
    std::int32_t iteration = -1;
    do {
        if (const DirResult rc = DirRead(copy.get(), object, 1, false, request.get(), &iteration, reply.get());
            rc != 0) {
            return rc;
        }
        std::uint32_t count = 0;
        DirGetAttrCount(copy.get(), reply.get(), &count);
        for (std::uint32_t a = 0; a < count; ++a) {
            char name[kMaxSchemaNameChars + 1];
            std::uint32_t values = 0;
            std::uint32_t syntax = 0;
            DirGetAttrName(copy.get(), reply.get(), name, &values, &syntax);
            for (std::uint32_t v = 0; v < values; ++v) {
                std::size_t size = 0;
                DirComputeAttrValueSize(copy.get(), reply.get(), syntax, &size);
                std::vector<char> storage(size);
                DirGetAttrValue(copy.get(), reply.get(), syntax, storage.data());
                *bytes += size;
            }
        }
    } while (iteration != -1);
    return 0;
}

int Measure(const std::string& path)
{
    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    std::shared_ptr<memory::MemoryDirectory> directory;
    std::string error;
    if (!memory::LoadTreeFile(path, &directory, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double load = Seconds(start);
    std::printf("load: %zu objects in %.3f s (%.3f s CPU), peak memory %.0f MB\n", directory->ObjectCount() - 1, load,
        CpuSeconds() - cpu, PeakMegabytes());

    SetTreeServices({directory});
    if (ClientInit(nullptr, nullptr) != 0) {
        return 1;
    }
    ScopedContext context;
    DirCreateContext(context.Out());
    const std::uint32_t flags = DCV_DEREF_ALIASES | DCV_TYPELESS_NAMES;
    DirSetContext(context.get(), DCK_FLAGS, &flags);
    DirSetContext(context.get(), DCK_NAME_CONTEXT, "[Root]");

    start = std::chrono::steady_clock::now();
    cpu = CpuSeconds();
    ScopedBuffer filter;
    ScopedBuffer reply;
    filter.allocate(kSmallBufferSize);
    reply.allocate(kSmallBufferSize);
    DirInitBuffer(context.get(), DSV_SEARCH_FILTER, filter.get());
    ScopedFilter cursor;
    cursor.allocate();
    DirAddFilterToken(cursor.get(), FTOK_BASECLS, nullptr, 0);
    DirAddFilterToken(cursor.get(), FTOK_ANAME, "User", 20);
    DirAddFilterToken(cursor.get(), FTOK_END, nullptr, 0);
    if (DirPutFilter(context.get(), filter.get(), cursor.get(), nullptr) == 0) {
        cursor.release();
    }
    std::vector<std::string> found;
    std::int32_t iteration = -1;
    int replies = 0;
    do {
        if (DirSearch(context.get(), "Corp", 2, false, filter.get(), nullptr, 0, false, nullptr, &iteration, 0, nullptr,
                reply.get()) != 0) {
            return 1;
        }
        ++replies;
        std::uint32_t count = 0;
        DirGetObjectCount(context.get(), reply.get(), &count);
        for (std::uint32_t i = 0; i < count; ++i) {
            char name[kNameBufferSize];
            DirGetObjectName(context.get(), reply.get(), name, nullptr, nullptr);
            found.emplace_back(name);
        }
    } while (iteration != -1);
    const double search = Seconds(start);
    std::size_t bytes = 0;
    std::size_t missing = 0;
    const auto readStart = std::chrono::steady_clock::now();
    for (const std::string& name : found) {
        if (ReadOneAttribute(context.get(), name.c_str(), "Telephone Number", &bytes) != 0) {
            ++missing;
        }
    }
    const double reads = Seconds(readStart);
    std::printf("search: %zu users in %d replies in %.3f s; reads: %zu values (%zu bytes, %zu failed) in %.3f s; "
                "search plus reads %.3f s (%.3f s CPU)\n",
        found.size(), replies, search, found.size() - missing, bytes, missing, reads, search + reads,
        CpuSeconds() - cpu);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "generate") {
        return Generate(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)), argv[3]);
    }
    if (argc == 3 && std::string(argv[1]) == "measure") {
        return Measure(argv[2]);
    }
    const std::uint32_t objects = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 100000;
    const std::string path = "/tmp/veralith-bench-" + std::to_string(objects) + ".json";
    if (Generate(objects, path) != 0) {
        return 1;
    }
    // Measure in a fresh process, so that its peak memory is the client's.
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", argv[0], "measure", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

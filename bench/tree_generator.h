#pragma once

// Generates tree files of a given size for benchmarks: one organization with
// nested organizational units (regions, departments, teams), groups, and
// users with a realistic attribute mix. The output depends only on the
// options: the same seed gives the same file on every machine.

#include <cstdint>
#include <string>

namespace veralith::bench {

struct TreeGeneratorOptions
{
    std::uint32_t objects = 100000; // total objects in the file
    std::uint64_t seed = 20061130;
    // Share of users whose "Telephone Number" repeats another user's (the
    // duplicate finder's target); the other users' numbers are unique.
    double duplicatePhoneShare = 0.05;
};

// What the generated file holds, for checking results.
struct GeneratedTreeStats
{
    std::uint32_t objects = 0;
    std::uint32_t containers = 0;
    std::uint32_t groups = 0;
    std::uint32_t users = 0;
    std::uint32_t usersWithDuplicatePhone = 0; // users whose number an earlier user has
};

// The tree file text ("veralith-tree/1", tree "BENCH_TREE", organization
// "Corp").
std::string GenerateTreeFile(const TreeGeneratorOptions& options, GeneratedTreeStats* stats = nullptr);

} // namespace veralith::bench

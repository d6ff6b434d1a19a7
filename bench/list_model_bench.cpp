// The window's list model with 100,000 entries: sorted insertion one by one
// (in order, as the directory delivers, and shuffled) and as one batch.

#include "app/string_list_model.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(int count, bool shuffled)
{
    std::vector<int> numbers(static_cast<std::size_t>(count));
    std::iota(numbers.begin(), numbers.end(), 0);
    if (shuffled) {
        std::mt19937 random(7);
        std::shuffle(numbers.begin(), numbers.end(), random);
    }
    std::vector<std::string> names;
    names.reserve(numbers.size());
    for (int number : numbers) {
        char text[32];
        std::snprintf(text, sizeof text, "user%06d.Staff.Sales.Acme", number);
        names.emplace_back(text);
    }
    return names;
}

void AddOneByOne(benchmark::State& state, bool shuffled)
{
    const std::vector<std::string> names = Names(static_cast<int>(state.range(0)), shuffled);
    for (auto _ : state) {
        veralith::app::StringListModel model;
        model.SetSorted(true);
        for (const std::string& name : names) {
            model.Add(name);
        }
        benchmark::DoNotOptimize(model.Count());
    }
}

void BmSortedAddInOrder(benchmark::State& state)
{
    AddOneByOne(state, false);
}
void BmSortedAddShuffled(benchmark::State& state)
{
    AddOneByOne(state, true);
}

void BmSortedAddAllShuffled(benchmark::State& state)
{
    const std::vector<std::string> names = Names(static_cast<int>(state.range(0)), true);
    veralith::util::StringList list;
    for (const std::string& name : names) {
        list.Add(name);
    }
    for (auto _ : state) {
        veralith::app::StringListModel model;
        model.SetSorted(true);
        model.AddAll(list);
        benchmark::DoNotOptimize(model.Count());
    }
}

} // namespace

BENCHMARK(BmSortedAddInOrder)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BmSortedAddShuffled)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BmSortedAddAllShuffled)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

// The duplicate index: time per AddOrCount at 10 thousand and at 1 million messages, one in
// five a repeat of an earlier one. With the hash index the two stay close; a list scanned from
// the start would grow a hundredfold.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "jobs/mail_list.h"

namespace {

struct Input {
    std::vector<std::string> subjects;
    std::vector<double> dates;
};

Input MakeInput(int n) {
    std::mt19937 rng(9);
    Input in;
    auto& subjects = in.subjects;
    auto& dates = in.dates;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && rng() % 5 == 0) {  // a copy of an earlier mail
            const std::size_t k = rng() % subjects.size();
            subjects.push_back(subjects[k]);
            dates.push_back(dates[k]);
        } else {
            subjects.push_back("Re: 打ち合わせの件 " + std::to_string(rng()));
            dates.push_back(45000 + (rng() % 10000000) / 86400.0);
        }
    }
    return in;
}

void BM_AddOrCount(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Input in = MakeInput(n);
    const auto& subjects = in.subjects;
    const auto& dates = in.dates;
    for (auto _ : state) {
        tavori::TMailList list;
        for (int i = 0; i < n; ++i)
            benchmark::DoNotOptimize(list.AddOrCount(subjects[i], "<id@example.jp>", dates[i]));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddOrCount)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The floor: only storing the entries (the key and id copies), without any look-up. Its own
// growth from 10 thousand to 1 million is the memory's, not the index's.
void BM_StoreEntriesOnly(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Input in = MakeInput(n);
    for (auto _ : state) {
        std::vector<tavori::TMailEntry> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back({in.subjects[i], "<id@example.jp>", in.dates[i], 0});
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StoreEntriesOnly)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// A list scanned from the start for every message, as without the index.
void BM_LinearScan(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Input in = MakeInput(n);
    for (auto _ : state) {
        std::vector<tavori::TMailEntry> entries;
        for (int i = 0; i < n; ++i) {
            bool found = false;
            for (auto& e : entries)
                if (e.Key == in.subjects[i] && e.Date == in.dates[i]) {
                    ++e.Repeats;
                    found = true;
                    break;
                }
            if (!found) entries.push_back({in.subjects[i], "<id@example.jp>", in.dates[i], 0});
        }
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LinearScan)->Arg(10'000)->Arg(50'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

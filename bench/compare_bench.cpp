// plakit compare's work for two fuse maps, per iteration: both read from JEDEC text, both
// truth tables, the comparison and its text. The maps differ in one term, so every part runs.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "forms/compare.h"
#include "forms/forms.h"

namespace {

void compare_two_maps(benchmark::State& state) {
    pla_fuses other = pla_fuse_map;
    other[pla_true_fuse(30, 1)] = 0; // P30 needs I1 too
    const std::string a_text = write_jedec(pla_fuse_map, jedec_pair_order::complement_first, "bench");
    const std::string b_text = write_jedec(other, jedec_pair_order::complement_first, "bench");
    static std::array<std::uint8_t, pla_word_count> a_table;
    static std::array<std::uint8_t, pla_word_count> b_table;
    for (auto _ : state) {
        pla_fuses a{};
        pla_fuses b{};
        if (read_programming(a_text, programming_form::automatic, jedec_pair_order::complement_first, a) ||
            read_programming(b_text, programming_form::automatic, jedec_pair_order::complement_first, b)) {
            state.SkipWithError("a map does not read");
            return;
        }
        pla_truth_table(a, a_table);
        pla_truth_table(b, b_table);
        const programming_comparison comparison = compare_truth_tables(a_table, b_table);
        benchmark::DoNotOptimize(comparison_text("a", "b", comparison, &a, &b));
    }
}
BENCHMARK(compare_two_maps)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

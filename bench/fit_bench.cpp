// The minimizer: the built-in image (median of repeated fits), the 16-input parity (a
// table no 48 terms can fit), and term counts over larger sets of random programmings.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdint>

#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/random_programming.h"

namespace {

using truth_table = std::array<std::uint8_t, fit_table_size>;

template <typename Outputs>
truth_table table_from(Outputs outputs) {
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = outputs(static_cast<std::uint16_t>(word));
    }
    return table;
}

void fit_table(benchmark::State& state, const truth_table& table) {
    fit_result result{};
    for (auto _ : state) {
        result = fit_truth_table(table);
        benchmark::DoNotOptimize(result.terms.data());
    }
    state.counters["found"] = result.found ? 1 : 0;
    state.counters["terms"] = static_cast<double>(result.terms.size());
    state.counters["lower_bound"] = static_cast<double>(result.lower_bound);
    state.counters["inverted"] = result.inverted_outputs;
}

void fit_built_in(benchmark::State& state) {
    static const truth_table table = table_from(pla_evaluate);
    fit_table(state, table);
}

void fit_parity(benchmark::State& state) {
    static const truth_table table = table_from(
        [](std::uint16_t word) { return std::popcount(word) % 2 == 1 ? std::uint8_t{0xFF} : std::uint8_t{0}; });
    fit_table(state, table);
}

constexpr std::array<programming_style, 3> styles = {realistic_style, mixed_style, overlapping_style};

// Seeds 1000 onwards (the tests use lower ones): each map's table fitted once; the
// counters give the term counts, the slowest fit, and how often the polarity found
// differs from the one the map was made with.
void fit_random_set(benchmark::State& state) {
    const programming_style style = styles[static_cast<std::size_t>(state.range(0))];
    const auto maps = static_cast<std::uint32_t>(state.range(1));
    std::size_t total = 0;
    std::size_t most = 0;
    std::size_t over = 0;
    std::size_t other_polarity = 0;
    double slowest = 0;
    for (auto _ : state) {
        for (std::uint32_t seed = 1000; seed < 1000 + maps; ++seed) {
            const pla_fuses fuses = random_programming(seed, style);
            const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
            const truth_table table = table_from([&](std::uint16_t word) { return evaluate_with(evaluator, word); });
            const auto start = std::chrono::steady_clock::now();
            const fit_result result = fit_truth_table(table);
            slowest =
                std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            total += result.terms.size();
            most = std::max(most, result.terms.size());
            over += result.found ? 0 : 1;
            other_polarity += result.inverted_outputs != evaluator.inverted_outputs ? 1 : 0;
        }
    }
    state.counters["maps"] = maps;
    state.counters["not_found"] = static_cast<double>(over);
    state.counters["mean_terms"] = static_cast<double>(total) / maps;
    state.counters["most_terms"] = static_cast<double>(most);
    state.counters["other_polarity"] = static_cast<double>(other_polarity);
    state.counters["slowest_s"] = slowest;
}

} // namespace

BENCHMARK(fit_built_in)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(fit_parity)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
// Style 0 realistic, 1 mixed, 2 overlapping; then the number of maps.
BENCHMARK(fit_random_set)->Args({0, 500})->Args({1, 200})->Args({2, 200})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();

// The minimizer: the built-in image (median of repeated fits), the 16-input parity (a
// table no 48 terms can fit), term counts over larger sets of random programmings, and
// the families of tables made at the array's edge.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/edge_tables.h"
#include "tests/espresso_runner.h"
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

// Output range(0) of the built-in image alone, as a GAL's fit asks for it: its level cared
// about and no other's, up to 64 terms.
void fit_built_in_output(benchmark::State& state) {
    static const truth_table table = table_from(pla_evaluate);
    truth_table care{};
    care.fill(static_cast<std::uint8_t>(1U << state.range(0)));
    fit_result result{};
    for (auto _ : state) {
        result = fit_design(table, care, {64, fit_default_effort});
        benchmark::DoNotOptimize(result.terms.data());
    }
    state.counters["terms"] = static_cast<double>(result.terms.size());
    state.counters["lower_bound"] = static_cast<double>(result.lower_bound);
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

espresso_answer espresso(const truth_table& table, unsigned inverted, const std::string& mode) {
    const std::string stem =
        (std::filesystem::temp_directory_path() / ("fit_bench_espresso_" + std::to_string(getpid()))).string();
    return run_espresso(PLA_EPROM_ESPRESSO, table, inverted, mode, stem);
}

// A random programming with `live` of its 48 terms connected to outputs.
truth_table cut_programming(std::uint32_t seed, programming_style style, std::size_t live) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(with_live_terms(random_programming(seed, style), live));
    return table_from([&](std::uint16_t word) { return evaluate_with(evaluator, word); });
}

const char* outcome_word(fit_outcome outcome) {
    return outcome == fit_outcome::proven ? "proven" : outcome == fit_outcome::bounded ? "bounded" : "impossible";
}

// Ten random programmings of 40 to 48 live terms (seeds 3000 on, the three styles in
// turn), the built-in image, random bytes and the 9-input parity: each fitted once, its
// processor time beside Espresso's exact mode told the fit's polarities; with range(0) 1,
// also Espresso's exact mode over all polarities on the built-in image and random 3005 and
// 3008 (minutes each). Its exact mode over the complements of sparse outputs is slow: it
// did not finish a 40-term table of the realistic style in 25 minutes, nor a 4-term one
// in 3, so it gets tables of terms with few literals. One line a table on standard output;
// the counters sum up.
void fit_against_espresso(benchmark::State& state) {
    const bool all_polarities = state.range(0) != 0;
    const bool peer = std::string{PLA_EPROM_ESPRESSO} != "";
    struct named_table {
        std::string name;
        truth_table table;
    };
    std::vector<named_table> tables;
    tables.push_back({"built-in", table_from(pla_evaluate)});
    for (std::uint32_t index = 0; index < 10; ++index) {
        const std::size_t live = 40 + index % 9;
        tables.push_back({"random " + std::to_string(3000 + index) + " (" + std::to_string(live) + " terms)",
                          cut_programming(3000 + index, styles[index % 3], live)});
    }
    truth_table bytes{};
    std::uint32_t state_word = 1;
    for (std::uint8_t& byte : bytes) {
        state_word = state_word * 1664525U + 1013904223U;
        byte = static_cast<std::uint8_t>(state_word >> 24);
    }
    tables.push_back({"random bytes", bytes});
    tables.push_back({"9-input parity", table_from([](std::uint16_t word) {
                          return std::popcount(word & 0x1FFU) % 2 == 1 ? std::uint8_t{0x01} : std::uint8_t{0};
                      })});
    std::size_t proven = 0;
    std::size_t matched = 0;
    std::vector<double> random_ms;
    for (auto _ : state) {
        std::printf("%-26s %6s %6s %-10s %9s | %9s %9s | %9s %9s\n", "table", "terms", "bound", "outcome", "fit ms",
                    "exact", "exact s", "opoall", "opoall s");
        for (std::size_t index = 0; index < tables.size(); ++index) {
            const named_table& named = tables[index];
            const std::clock_t start = std::clock();
            const fit_result result = fit_truth_table(named.table);
            const double ms = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
            const bool is_random = index >= 1 && index <= 10;
            if (is_random) {
                random_ms.push_back(ms);
                proven += result.outcome == fit_outcome::proven ? 1 : 0;
            }
            std::printf("%-26s %6zu %6zu %-10s %9.1f |", named.name.c_str(), result.terms.size(), result.lower_bound,
                        outcome_word(result.outcome), ms);
            if (peer && result.found) {
                const espresso_answer exact = espresso(named.table, result.inverted_outputs, "-Dexact");
                matched += is_random && exact.terms == result.terms.size() ? 1 : 0;
                std::printf(" %9zu %9.2f |", exact.terms, exact.seconds);
                if (all_polarities && (index == 0 || index == 6 || index == 9)) {
                    const espresso_answer all = espresso(named.table, 0, "-Dopoall -S1");
                    std::printf(" %9zu %9.1f", all.terms, all.seconds);
                }
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::sort(random_ms.begin(), random_ms.end());
    state.counters["random_proven"] = static_cast<double>(proven);
    state.counters["random_as_espresso_exact"] = static_cast<double>(matched);
    state.counters["random_median_ms"] = (random_ms[4] + random_ms[5]) / 2;
    state.counters["random_slowest_ms"] = random_ms.back();
}

// Tables made at the array's edge (tests/edge_tables.h), family range(0), seeds 0 to
// range(1) - 1: each fitted once at the default effort, its processor time taken; the
// counters give the median and the slowest, and how many were fitted, proven, left bounded
// and proven impossible. With range(2) 1, each is held against Espresso: over all
// polarities (-Dopoall -S1) where that ends within a minute, else at the fit's polarity
// (-Dexact), and for single outputs at both polarities (-Dexact), each within a minute:
// `missed` counts tables whose optimum fits but were not fitted, `unsound` claims beyond
// what Espresso finds. One line a table on standard output, with Espresso's processor time.
void fit_edge_family(benchmark::State& state) {
    const auto family = static_cast<edge_family>(state.range(0));
    const auto tables = static_cast<std::uint32_t>(state.range(1));
    const bool peer = state.range(2) != 0 && std::string{PLA_EPROM_ESPRESSO} != "";
    const std::string program = std::string{"timeout 60 "} + PLA_EPROM_ESPRESSO;
    const std::string stem =
        (std::filesystem::temp_directory_path() / ("fit_bench_edge_" + std::to_string(getpid()))).string();
    std::vector<double> ms;
    std::array<std::size_t, 3> outcomes{};
    std::size_t fitted = 0;
    std::size_t known = 0;
    std::size_t missed = 0;
    std::size_t unsound = 0;
    for (auto _ : state) {
        for (std::uint32_t seed = 0; seed < tables; ++seed) {
            const edge_table made = make_edge_table(family, seed);
            const std::span<const std::uint8_t, fit_table_size> table(made.table.data(), fit_table_size);
            const std::span<const std::uint8_t, fit_table_size> care(made.care.data(), fit_table_size);
            const std::clock_t start = std::clock();
            const fit_result result = fit_design(table, care, {});
            ms.push_back(1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
            ++outcomes[static_cast<std::size_t>(result.outcome)];
            fitted += result.found ? 1 : 0;
            std::printf("seed %4u %3zu terms %3zu bound %-10s %8.1f ms", seed, result.terms.size(), result.lower_bound,
                        outcome_word(result.outcome), ms.back());
            if (peer) {
                // The optimum over all polarities where Espresso gives it, and its count at
                // the fit's polarity.
                std::size_t optimum = SIZE_MAX;
                std::size_t at_fit = SIZE_MAX;
                double seconds = 0;
                const auto run = [&](unsigned inverted, const char* mode) {
                    const espresso_answer answer =
                        run_espresso_on(program, table, care, made.inputs, inverted, mode, stem);
                    seconds += answer.seconds;
                    return answer.terms;
                };
                if (family == edge_family::single_output) {
                    const auto output = std::accumulate(made.table.begin(), made.table.end(), 0U, std::bit_or<>());
                    const std::size_t plain = run(0, "-Dexact");
                    const std::size_t inverted = run(output, "-Dexact");
                    optimum = std::max(plain, inverted) == SIZE_MAX ? SIZE_MAX : std::min(plain, inverted);
                    at_fit = (result.inverted_outputs & output) != 0 ? inverted : plain;
                } else {
                    optimum = run(0, "-Dopoall -S1");
                    if (optimum == SIZE_MAX && result.found) {
                        at_fit = run(result.inverted_outputs, "-Dexact");
                    }
                }
                bool sound = true;
                if (optimum != SIZE_MAX) {
                    ++known;
                    missed += optimum <= pla_term_count && !result.found ? 1 : 0;
                    sound = result.lower_bound <= optimum && (!result.found || result.terms.size() >= optimum) &&
                            (result.outcome != fit_outcome::proven || result.terms.size() == optimum) &&
                            (result.outcome != fit_outcome::impossible || optimum > pla_term_count);
                }
                if (at_fit != SIZE_MAX) {
                    sound = sound && result.lower_bound <= at_fit && (!result.found || result.terms.size() >= at_fit) &&
                            (result.outcome != fit_outcome::proven || result.terms.size() == at_fit);
                }
                unsound += sound ? 0 : 1;
                std::printf(" | optimum %4lld at fit %4lld, Espresso %7.2f s%s",
                            optimum == SIZE_MAX ? -1LL : static_cast<long long>(optimum),
                            at_fit == SIZE_MAX ? -1LL : static_cast<long long>(at_fit), seconds,
                            sound ? "" : " UNSOUND");
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["tables"] = tables;
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["slowest_ms"] = ms.back();
    state.counters["fitted"] = static_cast<double>(fitted);
    state.counters["proven"] = static_cast<double>(outcomes[static_cast<std::size_t>(fit_outcome::proven)]);
    state.counters["bounded"] = static_cast<double>(outcomes[static_cast<std::size_t>(fit_outcome::bounded)]);
    state.counters["impossible"] = static_cast<double>(outcomes[static_cast<std::size_t>(fit_outcome::impossible)]);
    if (peer) {
        state.counters["optimum_known"] = static_cast<double>(known);
        state.counters["missed"] = static_cast<double>(missed);
        state.counters["unsound"] = static_cast<double>(unsound);
    }
}

} // namespace

// Family (0 random outputs, 1 levels free, 2 threshold, 3 single outputs), tables, peer.
BENCHMARK(fit_edge_family)
    ->Args({0, 200, 0})
    ->Args({1, 200, 0})
    ->Args({2, 200, 0})
    ->Args({3, 200, 0})
    ->Args({0, 100, 1})
    ->Args({1, 100, 1})
    ->Args({2, 40, 1})
    ->Args({3, 60, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(fit_against_espresso)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(fit_built_in)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(fit_built_in_output)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(fit_parity)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
// Style 0 realistic, 1 mixed, 2 overlapping; then the number of maps.
BENCHMARK(fit_random_set)->Args({0, 500})->Args({1, 200})->Args({2, 200})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();

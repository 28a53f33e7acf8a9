// plakit gal's processor time, the whole call as plakit makes it: the built-in programming
// on the built-in board, random programmings of 48 terms of the three styles on a board
// chosen for each (most do not fit the built-in one), the same on the built-in board (most
// refused, after a proof), and the parity of six inputs (refused at once). Counters: the
// status (0 written, 1 refused) and the files' bytes.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "commands/commands.h"
#include "tests/random_programming.h"

namespace {

void gal(benchmark::State& state, const command_programming& programming, gal_board_kind board) {
    gal_options options;
    options.board = board;
    gal_result result;
    for (auto _ : state) {
        result = run_gal(programming, options);
        benchmark::DoNotOptimize(result.files.data());
    }
    std::size_t bytes = 0;
    for (const auto& [name, text] : result.files) {
        bytes += text.size();
    }
    state.counters["status"] = result.status;
    state.counters["bytes"] = static_cast<double>(bytes);
}

void gal_built_in(benchmark::State& state) {
    gal(state, std::nullopt, gal_board_kind::built_in);
}

constexpr std::array<programming_style, 3> styles = {realistic_style, mixed_style, overlapping_style};

// range(0): the style; range(1): the seed (the tests use others); range(2): 1 for a chosen
// board, 0 for the built-in one.
void gal_random(benchmark::State& state) {
    const pla_fuses fuses = random_programming(static_cast<std::uint32_t>(state.range(1)),
                                               styles[static_cast<std::size_t>(state.range(0))]);
    gal(state, file_of_bytes("random.jed", write_jedec(fuses, jedec_pair_order::complement_first, "")),
        state.range(2) != 0 ? gal_board_kind::automatic : gal_board_kind::built_in);
}

void gal_parity(benchmark::State& state) {
    std::string design = ".i 16\n.o 8\n";
    for (unsigned word = 0; word < 64; ++word) {
        if (std::popcount(word) % 2 == 1) {
            for (unsigned input = 0; input < 6; ++input) {
                design += ((word >> input) & 1U) != 0 ? '1' : '0';
            }
            design += "---------- 00010000\n";
        }
    }
    gal(state, file_of_bytes("parity.pla", design + ".e\n"), gal_board_kind::built_in);
}

} // namespace

BENCHMARK(gal_built_in)->Unit(benchmark::kMillisecond);
BENCHMARK(gal_random)
    ->ArgsProduct({{0, 1, 2}, {5000, 5001, 5002}, {1, 0}})
    ->ArgNames({"style", "seed", "chosen"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(gal_parity)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

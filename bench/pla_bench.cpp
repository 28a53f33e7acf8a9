// Each benchmark covers the whole range of 65,536 input words or addresses per iteration.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "eprom/image.h"
#include "pla/pla.h"
#include "tests/plain_order.h"

namespace {

template <typename Evaluate>
void evaluate_all_words(benchmark::State& state, Evaluate evaluate) {
    for (auto _ : state) {
        for (unsigned word = 0; word <= 0xFFFF; ++word) {
            benchmark::DoNotOptimize(evaluate(static_cast<std::uint16_t>(word)));
        }
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}

void evaluate_plain_order(benchmark::State& state) {
    evaluate_all_words(state, [](std::uint16_t inputs) { return plain_order_evaluate(pla_fuse_map, inputs); });
}

void evaluate(benchmark::State& state) {
    evaluate_all_words(state, [](std::uint16_t inputs) { return pla_evaluate(inputs); });
}

void image(benchmark::State& state) {
    static std::array<std::uint8_t, eprom_image_size> bytes;
    for (auto _ : state) {
        build_eprom_image(bytes);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}

} // namespace

BENCHMARK(evaluate_plain_order)->Unit(benchmark::kMicrosecond);
BENCHMARK(evaluate)->Unit(benchmark::kMicrosecond);
BENCHMARK(image)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();

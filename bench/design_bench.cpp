// Designs of the 82S100's shape with don't-cares, read and fitted: processor time, terms
// and outcome. `design_bench --designs DIR` writes the same designs as .pla files instead,
// for bench/design_vs_espresso.sh to hold against Espresso's exact mode.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "forms/design.h"
#include "minimize/minimize.h"

namespace {

struct design_shape {
    const char* name;
    std::uint32_t seed;
    unsigned inputs;
    unsigned hidden_terms;
    unsigned rows;
};

// 12 inputs, 8 outputs and 200 rows (one in five a don't-care) is the shape of the target.
constexpr std::array<design_shape, 5> shapes{{
    {"i12_o8_rows200_a", 1, 12, 30, 200},
    {"i12_o8_rows200_b", 2, 12, 40, 200},
    {"i12_o8_rows200_c", 3, 12, 20, 200},
    {"i16_o8_rows120", 4, 16, 36, 120},
    {"i16_o8_rows300", 5, 16, 44, 300},
}};

class random_numbers {
public:
    explicit random_numbers(std::uint32_t seed) : state_(seed) {}
    std::uint32_t next(std::uint32_t limit) {
        state_ = state_ * 6364136223846793005U + 1442695040888963407U;
        return static_cast<std::uint32_t>(state_ >> 33U) % limit;
    }

private:
    std::uint64_t state_;
};

// A type fd design that a hidden programming of `hidden_terms` terms meets: its ON rows
// split the hidden terms' cubes into parts (each part one row, feeding the term's
// outputs), so the ON-set is exactly theirs; one row in five is a cube of don't-cares
// on some outputs.
std::string design_text(const design_shape& shape) {
    random_numbers random{shape.seed};
    struct row_text {
        std::string inputs;
        std::string outputs;
    };
    std::vector<row_text> on_rows(shape.hidden_terms);
    for (row_text& term : on_rows) {
        for (unsigned input = 0; input < shape.inputs; ++input) {
            const std::uint32_t pick = random.next(8);
            term.inputs += pick == 0 ? '0' : pick == 1 ? '1' : '-';
        }
        term.outputs = std::string(pla_output_count, '0');
        term.outputs[random.next(pla_output_count)] = '1';
        term.outputs[random.next(pla_output_count)] = '1';
    }
    const unsigned free_rows = shape.rows / 5;
    while (on_rows.size() < shape.rows - free_rows) {
        row_text& part = on_rows[random.next(static_cast<std::uint32_t>(on_rows.size()))];
        const auto free = part.inputs.find('-', random.next(shape.inputs));
        if (free == std::string::npos) {
            continue;
        }
        row_text other = part;
        part.inputs[free] = '0';
        other.inputs[free] = '1';
        on_rows.push_back(other);
    }
    std::string text =
        ".i " + std::to_string(shape.inputs) + "\n.o 8\n.type fd\n.p " + std::to_string(shape.rows) + "\n";
    for (unsigned row = 0; row < shape.rows; ++row) {
        if (row % 5 != 4) {
            const row_text& part = on_rows[row - row / 5];
            text += part.inputs + " " + part.outputs + "\n";
            continue;
        }
        for (unsigned input = 0; input < shape.inputs; ++input) {
            const std::uint32_t pick = random.next(4);
            text += pick == 0 ? '0' : pick == 1 ? '1' : '-';
        }
        text += ' ';
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            text += random.next(3) == 0 ? '-' : '0';
        }
        text += '\n';
    }
    return text + ".e\n";
}

void fit_a_design(benchmark::State& state, const design_shape& shape) {
    const std::string text = design_text(shape);
    fit_result result{};
    for (auto _ : state) {
        design read;
        if (read_berkeley_design(text, read)) {
            state.SkipWithError("the design does not read");
            return;
        }
        result =
            fit_design(std::span<const std::uint8_t, fit_table_size>{read.table.data(), fit_table_size},
                       std::span<const std::uint8_t, fit_table_size>{read.care.data(), fit_table_size}, fit_options{});
        benchmark::DoNotOptimize(result.terms.data());
    }
    state.counters["found"] = result.found ? 1 : 0;
    state.counters["terms"] = static_cast<double>(result.terms.size());
    state.counters["lower_bound"] = static_cast<double>(result.lower_bound);
    state.counters["proven"] = result.outcome == fit_outcome::proven ? 1 : 0;
    state.counters["inverted"] = result.inverted_outputs;
}

bool write_designs(const std::string& folder) {
    for (const design_shape& shape : shapes) {
        const std::string path = folder + "/" + shape.name + ".pla";
        std::FILE* file = std::fopen(path.c_str(), "wb"); // NOLINT(cppcoreguidelines-owning-memory): closed below
        if (file == nullptr) {
            return false;
        }
        const std::string text = design_text(shape);
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): opened above
        if (std::fclose(file) != 0 || !written) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view{argv[1]} == "--designs") {
        return write_designs(argv[2]) ? 0 : 1;
    }
    for (const design_shape& shape : shapes) {
        benchmark::RegisterBenchmark(shape.name, fit_a_design, shape)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The fit's bound and proof held against Espresso's exact mode, the field's own minimizer:
// its proven fewest terms for one choice of polarities bounds the optimum over all of them
// from above. Exits 77 (skipped) where Espresso is not beside the project.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/random_programming.h"

namespace {

using truth_table = std::array<std::uint8_t, fit_table_size>;

const char* espresso = PLA_EPROM_ESPRESSO;

// The fewest terms Espresso proves for the table with the outputs of `inverted` taken
// complemented, read from the `.p` line of its answer.
std::size_t espresso_exact(const truth_table& table, unsigned inverted) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string stem =
        (folder / ("fit_peer_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                   std::to_string(inverted)))
            .string();
    {
        std::ofstream pla(stem + ".pla");
        pla << ".i 16\n.o 8\n.type fr\n";
        for (unsigned word = 0; word < fit_table_size; ++word) {
            std::string line(16 + 1 + 8, ' ');
            for (unsigned input = 0; input < 16; ++input) {
                line[input] = static_cast<char>('0' + ((word >> input) & 1U));
            }
            for (unsigned output = 0; output < 8; ++output) {
                line[17 + output] = static_cast<char>('0' + (((table[word] ^ inverted) >> output) & 1U));
            }
            pla << line << '\n';
        }
        pla << ".e\n";
    }
    const std::string command = std::string{espresso} + " -Dexact " + stem + ".pla > " + stem + ".out";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream answer(stem + ".out");
    std::string line;
    std::size_t terms = SIZE_MAX;
    while (std::getline(answer, line)) {
        if (line.rfind(".p ", 0) == 0) {
            terms = std::stoul(line.substr(3));
        }
    }
    std::filesystem::remove(stem + ".pla");
    std::filesystem::remove(stem + ".out");
    EXPECT_NE(terms, SIZE_MAX) << "no .p line from " << command;
    return terms;
}

truth_table table_of(const pla_fuses& fuses) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = evaluate_with(evaluator, static_cast<std::uint16_t>(word));
    }
    return table;
}

// The fit proven: Espresso finds as many at the fit's polarities, and no fewer at others
// (one output flipped, all flipped). Not proven: the bound at most Espresso's count.
void expect_agreement(const truth_table& table) {
    const fit_result result = fit_truth_table(table);
    ASSERT_TRUE(result.found);
    const std::size_t at_fit = espresso_exact(table, result.inverted_outputs);
    EXPECT_LE(result.lower_bound, at_fit);
    EXPECT_GE(result.terms.size(), at_fit);
    if (result.outcome == fit_outcome::proven) {
        EXPECT_EQ(result.terms.size(), at_fit);
    }
    for (const unsigned other : {result.inverted_outputs ^ 0x01U, result.inverted_outputs ^ 0xFFU}) {
        EXPECT_LE(result.lower_bound, espresso_exact(table, other)) << "polarity " << other;
    }
}

TEST(FitPeer, BuiltInImage) {
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = pla_evaluate(static_cast<std::uint16_t>(word));
    }
    expect_agreement(table);
}

// Overlapping terms: 48 of them made, 30 the fewest; the proof once fell short here.
TEST(FitPeer, RandomProgramming) {
    expect_agreement(table_of(random_programming(2002, overlapping_style)));
}

} // namespace

int main(int argc, char** argv) {
    if (std::string{espresso}.empty() || !std::filesystem::exists(espresso)) {
        std::puts("skipped: Espresso is not beside the project (../shared/peers/espresso)");
        return 77;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

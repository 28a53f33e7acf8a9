// The fit's bound and proof held against Espresso's exact mode, the field's own minimizer:
// its proven fewest terms for one choice of polarities bounds the optimum over all of them
// from above. Exits 77 (skipped) where Espresso is not beside the project.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "minimize/exact_cover.h"
#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/espresso_runner.h"
#include "tests/random_programming.h"
#include "tests/truth_table.h"

namespace {

const char* espresso = PLA_EPROM_ESPRESSO;

// The fewest terms Espresso proves for the table with the outputs of `inverted` taken
// complemented.
std::size_t espresso_exact(const truth_table& table, unsigned inverted) {
    const std::string stem = (std::filesystem::temp_directory_path() /
                              ("fit_peer_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                               std::to_string(inverted)))
                                 .string();
    const espresso_answer answer = run_espresso(espresso, table, inverted, "-Dexact", stem);
    EXPECT_NE(answer.terms, SIZE_MAX) << "no answer from Espresso on " << stem << ".pla";
    return answer.terms;
}

// The fit proven: Espresso finds as many at the fit's polarities, and no fewer at others
// (one output flipped, all flipped). Not proven: the bound at most Espresso's count.
fit_result expect_agreement(const truth_table& table) {
    fit_result result = fit_truth_table(table);
    EXPECT_TRUE(result.found);
    if (!result.found) {
        return result;
    }
    const std::size_t at_fit = espresso_exact(table, result.inverted_outputs);
    EXPECT_LE(result.lower_bound, at_fit);
    EXPECT_GE(result.terms.size(), at_fit);
    if (result.outcome == fit_outcome::proven) {
        EXPECT_EQ(result.terms.size(), at_fit);
    }
    for (const unsigned other : {result.inverted_outputs ^ 0x01U, result.inverted_outputs ^ 0xFFU}) {
        EXPECT_LE(result.lower_bound, espresso_exact(table, other)) << "polarity " << other;
    }
    return result;
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

// The seed of the ten random programmings benchmarked that the independent pairs left
// two short (26 terms, at least 24): the exact cover of the polarities that fall short
// proves 26.
TEST(FitPeer, ExactCoverProvesWhatIndependentPairsLeaveOpen) {
    const truth_table table = table_of(with_live_terms(random_programming(3002, overlapping_style), 42));
    EXPECT_EQ(expect_agreement(table).outcome, fit_outcome::proven);
}

// The exact cover of one whole polarity, grown from no pairs at all: Espresso's count at
// that polarity, at the polarity the programming was made with and with F0 flipped.
TEST(FitPeer, ExactCoverOfOnePolarity) {
    const pla_fuses fuses = with_live_terms(random_programming(3108, realistic_style), 8);
    const truth_table table = table_of(fuses);
    const unsigned made = derive_pla_evaluator<max_term_bytes>(fuses).inverted_outputs;
    for (const unsigned inverted : {made, made ^ 0x01U}) {
        auto function = std::make_unique<output_sets>();
        function->outputs = 0xFF;
        for (unsigned word = 0; word < fit_table_size; ++word) {
            for (unsigned output = 0; output < pla_output_count; ++output) {
                const std::uint64_t high = ((table[word] ^ inverted) >> output) & 1U;
                function->need[output][word / 64] |= high << (word % 64);
                function->on[output][word / 64] |= high << (word % 64);
            }
        }
        effort budget(fit_default_effort);
        const exact_bound exact = exact_cover_bound(*function, {}, {}, 0, SIZE_MAX, budget);
        EXPECT_EQ(exact.bound, espresso_exact(table, inverted)) << "polarity " << inverted;
        ASSERT_TRUE(exact.found);
        EXPECT_EQ(exact.found->size(), exact.bound);
    }
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

// The minimizer as plakit calls it: truth tables in, programmings out, each checked with
// the array's own evaluator.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/random_programming.h"
#include "tests/truth_table.h"

namespace {

// A programming's table (tests/truth_table.h) beside a cover's, below.
using ::table_of;

// The table a cover of any size drives, each term spread over the input words it holds.
truth_table table_of(const fit_result& result) {
    truth_table table{};
    for (const fit_term& term : result.terms) {
        const unsigned free = ~term.care & 0xFFFFU;
        unsigned subset = 0;
        do {
            table[term.levels | subset] |= term.outputs;
            subset = (subset - free) & free;
        } while (subset != 0);
    }
    for (std::uint8_t& outputs : table) {
        outputs ^= result.inverted_outputs;
    }
    return table;
}

// The first input word where the two tables differ, or none.
std::size_t first_difference(const truth_table& wanted, const truth_table& got) {
    return static_cast<std::size_t>(std::ranges::mismatch(wanted, got).in1 - wanted.begin());
}

// Fits the table, then burns the programming into fuses and reads it back through the
// array's evaluator: every word must come back as it went in.
fit_result fit_and_check(const truth_table& table, std::size_t max_terms = pla_term_count) {
    fit_result result = fit_truth_table(table, max_terms);
    EXPECT_TRUE(result.found);
    EXPECT_LE(result.terms.size(), max_terms);
    if (result.found) {
        EXPECT_EQ(first_difference(table, table_of(fit_fuses(result))), fit_table_size);
    }
    return result;
}

TEST(Fit, BuiltInImageInTwentyFiveTerms) {
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = pla_evaluate(static_cast<std::uint16_t>(word));
    }
    const fit_result result = fit_and_check(table);
    // 25 is the optimum for the map's own polarity, F0 plain and F1-F7 inverted. A cover
    // with fewer terms would be news worth a look.
    EXPECT_EQ(result.terms.size(), 25U);
    EXPECT_EQ(result.inverted_outputs, 0xFE);
}

// One output at a time, as a GAL's fit asks: each output of the built-in image alone (its
// level cared about, no other's), up to 64 terms. Each proven and driven; F0, of 16 inputs,
// in 23 terms, the fewer of Espresso's exact counts at its two polarities (23 plain, 33
// inverted).
TEST(Fit, OneOutputAtATime) {
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = pla_evaluate(static_cast<std::uint16_t>(word));
    }
    for (unsigned output = 0; output < pla_output_count; ++output) {
        SCOPED_TRACE(output);
        truth_table care{};
        care.fill(static_cast<std::uint8_t>(1U << output));
        const fit_result result = fit_design(table, care, {64, fit_default_effort});
        EXPECT_EQ(result.outcome, fit_outcome::proven);
        EXPECT_EQ(fit_check_problem(fit_fuses(result), table, care), std::nullopt);
        EXPECT_TRUE(
            std::ranges::all_of(result.terms, [&](const fit_term& term) { return term.outputs == 1U << output; }));
        if (output == 0) {
            EXPECT_EQ(result.terms.size(), 23U);
        }
    }
}

struct seeded {
    std::uint32_t seed;
    programming_style style;
};

// Every term of these maps is live, so the maps themselves are covers of 48 terms. The
// realistic two fit in 48 only after rounds of reduce and expand; the first overlapping
// one only in a polarity one output flip away from what each output prefers alone; the
// second fits in fewer terms in a polarity other than its own.
constexpr std::array<seeded, 5> round_trips = {{
    {65, realistic_style},
    {73, realistic_style},
    {3, mixed_style},
    {12, overlapping_style},
    {26, overlapping_style},
}};

TEST(Fit, RandomProgrammingsComeBackInAtMost48Terms) {
    for (const seeded& map : round_trips) {
        SCOPED_TRACE(map.seed);
        fit_and_check(table_of(random_programming(map.seed, map.style)));
    }
}

// Every output constant: no term at all, the polarity fuses do the work.
TEST(Fit, ConstantOutputsNeedNoTerm) {
    truth_table table{};
    table.fill(0xA5);
    const fit_result result = fit_and_check(table);
    EXPECT_TRUE(result.terms.empty());
    EXPECT_EQ(result.inverted_outputs, 0xA5);
}

// The table whose outputs `outputs` are high where the inputs of `inputs` have odd parity.
truth_table parity_table(unsigned inputs, std::uint8_t outputs) {
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = std::popcount(word & inputs) % 2 == 1 ? outputs : std::uint8_t{0};
    }
    return table;
}

// The fit of the table refused as impossible, `bound` terms needed, as many by `output` alone.
void expect_impossible(const fit_result& result, std::size_t bound, unsigned output) {
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.outcome, fit_outcome::impossible);
    EXPECT_EQ(result.lower_bound, bound);
    EXPECT_EQ(result.alone_output, output);
    EXPECT_EQ(result.alone_bound, bound);
}

// The parity of all 16 inputs: in either phase no two of its 32,768 points share a term,
// so every output needs 32,768 terms. Impossible at once, without a cover.
TEST(Fit, ParityIsImpossibleWithItsBound) {
    expect_impossible(fit_truth_table(parity_table(0xFFFFU, 0xFF)), 32768U, 0U);
}

// The parity of I0-I7 on F3 alone needs 128 terms: 2 to the 7th, in either phase.
TEST(Fit, SmallParityNamesItsOutput) {
    const truth_table table = parity_table(0xFFU, 0x08);
    expect_impossible(fit_truth_table(table), 128U, 3U);
    // Allowed 128 terms (more than the array has), the parity fits in exactly those.
    const fit_result allowed = fit_truth_table(table, 128);
    EXPECT_TRUE(allowed.found);
    EXPECT_EQ(allowed.terms.size(), 128U);
    EXPECT_EQ(allowed.outcome, fit_outcome::proven);
    EXPECT_EQ(first_difference(table, table_of(allowed)), fit_table_size);
}

// Fewer terms allowed than the fit reaches: not found; the cover reached still drives the
// table, or, with fewer allowed than proven needed, the table is impossible. (F0 and F1 of
// a map only, to keep the test short.)
TEST(Fit, MaxTermsDecidesFound) {
    truth_table table = table_of(random_programming(1, realistic_style));
    std::ranges::for_each(table, [](std::uint8_t& outputs) { outputs &= 0x03; });
    const fit_result fitted = fit_and_check(table);
    const std::size_t reached = fitted.terms.size();
    ASSERT_GT(reached, 2U);
    const fit_result short_of = fit_truth_table(table, reached - 1);
    EXPECT_FALSE(short_of.found);
    if (short_of.outcome == fit_outcome::impossible) {
        EXPECT_GE(short_of.lower_bound, reached);
    } else {
        EXPECT_EQ(short_of.outcome, fit_outcome::bounded);
        EXPECT_EQ(short_of.terms.size(), reached);
        EXPECT_EQ(first_difference(table, table_of(short_of)), fit_table_size);
    }
    ASSERT_GT(fitted.lower_bound, 1U);
    const fit_result far_short = fit_truth_table(table, fitted.lower_bound - 1);
    EXPECT_FALSE(far_short.found);
    EXPECT_EQ(far_short.outcome, fit_outcome::impossible);
    EXPECT_GE(far_short.lower_bound, fitted.lower_bound);
}

// The four lines a restorer reads, as the manual page gives them, and their counts of one.
TEST(FitReport, OutcomeWords) {
    fit_result result{};
    result.found = true;
    result.inverted_outputs = 0x21;
    result.terms.resize(26);
    result.lower_bound = 24;
    result.outcome = fit_outcome::bounded;
    EXPECT_EQ(fit_outcome_text(result),
              "26 terms; at least 24 are needed; 22 of the 48 left, polarity LHHHHLHH; "
              "a larger --effort may find fewer");
    result.lower_bound = 26;
    result.outcome = fit_outcome::proven;
    EXPECT_EQ(fit_outcome_text(result), "26 terms, the fewest possible; 22 of the 48 left, polarity LHHHHLHH");
    result.terms.resize(1);
    result.lower_bound = 1;
    EXPECT_EQ(fit_outcome_text(result), "1 term, the fewest possible; 47 of the 48 left, polarity LHHHHLHH");
    result.terms.resize(2);
    result.outcome = fit_outcome::bounded;
    EXPECT_EQ(fit_outcome_text(result),
              "2 terms; at least 1 is needed; 46 of the 48 left, polarity LHHHHLHH; "
              "a larger --effort may find fewer");
    result.found = false;
    result.terms.resize(60);
    result.lower_bound = 40;
    EXPECT_EQ(fit_outcome_text(result),
              "60 terms; at least 40 are needed, the array has 48; a larger --effort may "
              "find fewer");
    result.lower_bound = 55;
    result.outcome = fit_outcome::impossible;
    EXPECT_EQ(fit_outcome_text(result),
              "no 82S100 programming drives this image: at least 55 terms are needed, the array has 48");
    result.alone_output = 3;
    result.alone_bound = 128;
    EXPECT_EQ(fit_outcome_text(result),
              "no 82S100 programming drives this image: at least 55 terms are needed, the "
              "array has 48; F3 alone needs at least 128");
}

// Fuse numbers worked out by hand: term Pt's block starts at 40t, the complement fuse of
// Ij at 40t + 2j, the true fuse one after, the output fuses at 40t + 32 + k.
TEST(FitFuses, OneTermByHand) {
    fit_result result{};
    result.found = true;
    result.inverted_outputs = 0x81;
    // P0 needs I0 high and I3 low and feeds F1 and F7.
    result.terms.push_back({0x0009, 0x0001, 0x82});
    const pla_fuses fuses = fit_fuses(result);
    std::vector<std::size_t> intact;
    for (std::size_t fuse = 0; fuse < pla_fuse_count; ++fuse) {
        if (fuses[fuse] == 0) {
            intact.push_back(fuse);
        }
    }
    EXPECT_EQ(intact, (std::vector<std::size_t>{1, 6, 33, 39, 1921, 1922, 1923, 1924, 1925, 1926}));
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    EXPECT_EQ(evaluate_with(evaluator, 0x0001), 0x81 ^ 0x82);
    EXPECT_EQ(evaluate_with(evaluator, 0x0009), 0x81);
    EXPECT_EQ(evaluate_with(evaluator, 0x0000), 0x81);
}

} // namespace

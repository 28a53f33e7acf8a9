// What the fit proves, held against optimums found another way: a brute-force search of
// small functions, and tables whose optimum is known by construction. A bound above the
// optimum would call a fitting chip impossible.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "minimize/exact_cover.h"
#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/random_programming.h"

namespace {

using truth_table = std::array<std::uint8_t, fit_table_size>;

std::span<const std::uint8_t, fit_table_size> span_of(const std::vector<std::uint8_t>& bytes) {
    return std::span<const std::uint8_t, fit_table_size>(bytes.data(), fit_table_size);
}

// Whether the cover drives every level the design cares about.
bool drives(const fit_result& result, const std::vector<std::uint8_t>& table, const std::vector<std::uint8_t>& care) {
    for (unsigned word = 0; word < fit_table_size; ++word) {
        unsigned sums = 0;
        for (const fit_term& term : result.terms) {
            sums |= (word & term.care) == term.levels ? term.outputs : 0U;
        }
        if (((sums ^ result.inverted_outputs ^ table[word]) & care[word]) != 0) {
            return false;
        }
    }
    return true;
}

// A function of three inputs and two outputs, as the levels at its eight input words and
// which of them matter.
struct small_function {
    std::array<std::uint8_t, 8> levels;
    std::array<std::uint8_t, 8> care;
};

// The fewest terms that drive it at one choice of polarities (bit k: output k inverted),
// by trying every set of terms in turn, smallest sets first (SIZE_MAX past 8 terms). A
// term is one of the 27 cubes of three inputs, feeding every output whose level it may
// take at all its words (feeding more costs nothing).
std::size_t brute_force_fewest_at(const small_function& function, unsigned inverted) {
    std::size_t fewest = SIZE_MAX;
    {
        std::array<unsigned, 2> need{};    // bit w: the output must be 1 at word w
        std::array<unsigned, 2> allowed{}; // bit w: the output may be 1 at word w
        for (unsigned word = 0; word < 8; ++word) {
            for (unsigned output = 0; output < 2; ++output) {
                const bool cared = ((function.care[word] >> output) & 1U) != 0;
                const bool high = (((function.levels[word] ^ inverted) >> output) & 1U) != 0;
                need[output] |= cared && high ? 1U << word : 0U;
                allowed[output] |= !cared || high ? 1U << word : 0U;
            }
        }
        std::vector<std::array<unsigned, 2>> terms; // the words each term drives high, per output
        for (unsigned care = 0; care < 8; ++care) {
            for (unsigned levels = 0; levels < 8; ++levels) {
                if ((levels & ~care) != 0) {
                    continue;
                }
                unsigned words = 0;
                for (unsigned word = 0; word < 8; ++word) {
                    words |= (word & care) == levels ? 1U << word : 0U;
                }
                std::array<unsigned, 2> fed{};
                for (unsigned output = 0; output < 2; ++output) {
                    fed[output] = (words & ~allowed[output]) == 0 ? words : 0;
                }
                if (fed[0] != 0 || fed[1] != 0) {
                    terms.push_back(fed);
                }
            }
        }
        // Sets of terms as bit masks of the (at most 27) terms, by size.
        for (std::size_t size = 0; size < std::min(fewest, std::size_t{9}); ++size) {
            bool found = false;
            std::vector<std::size_t> chosen(size);
            const auto try_sets = [&](auto&& self, std::size_t from, std::size_t depth) -> void {
                if (found) {
                    return;
                }
                if (depth == size) {
                    std::array<unsigned, 2> covered{};
                    for (const std::size_t term : chosen) {
                        covered[0] |= terms[term][0];
                        covered[1] |= terms[term][1];
                    }
                    found = (need[0] & ~covered[0]) == 0 && (need[1] & ~covered[1]) == 0;
                    return;
                }
                for (std::size_t term = from; term < terms.size(); ++term) {
                    chosen[depth] = term;
                    self(self, term + 1, depth + 1);
                }
            };
            try_sets(try_sets, 0, 0);
            if (found) {
                fewest = std::min(fewest, size);
                break;
            }
        }
    }
    return fewest;
}

// The fewest over all four polarities.
std::size_t brute_force_fewest(const small_function& function) {
    std::size_t fewest = SIZE_MAX;
    for (unsigned inverted = 0; inverted < 4; ++inverted) {
        fewest = std::min(fewest, brute_force_fewest_at(function, inverted));
    }
    return fewest;
}

// The small function spread over the whole array: it reads I2, I9 and I14 (its inputs 0,
// 1 and 2) and drives F1 and F6 (its outputs 0 and 1); F0, F2 and F3 are low, and F4, F5
// and F7 matter nowhere.
void spread(const small_function& function, std::vector<std::uint8_t>& table, std::vector<std::uint8_t>& care) {
    table.assign(fit_table_size, 0);
    care.assign(fit_table_size, 0x0D);
    for (unsigned word = 0; word < fit_table_size; ++word) {
        const unsigned small = ((word >> 2) & 1U) | (((word >> 9) & 1U) << 1) | (((word >> 14) & 1U) << 2);
        const auto place = [](unsigned bits) { return ((bits & 1U) << 1) | (((bits >> 1) & 1U) << 6); };
        table[word] = static_cast<std::uint8_t>(place(function.levels[small]));
        care[word] = static_cast<std::uint8_t>(care[word] | place(function.care[small]));
    }
}

// Small random functions, some levels free: the bound never above the optimum the
// brute-force search finds, the cover never below it, a proof only of the optimum.
TEST(FitProof, SmallFunctionsAgainstBruteForce) {
    std::mt19937 random(20);
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
    std::size_t proven = 0;
    constexpr int rounds = 6;
    for (int round = 0; round < rounds; ++round) {
        small_function function{};
        for (unsigned word = 0; word < 8; ++word) {
            function.levels[word] = static_cast<std::uint8_t>(random() & 3U);
            // A third of the rounds with free levels.
            function.care[word] = static_cast<std::uint8_t>(round % 3 == 0 ? (random() | random()) & 3U : 3U);
        }
        const std::size_t fewest = brute_force_fewest(function);
        spread(function, table, care);
        const fit_result result = fit_design(span_of(table), span_of(care), {});
        SCOPED_TRACE(round);
        EXPECT_TRUE(drives(result, table, care));
        EXPECT_LE(result.lower_bound, fewest);
        EXPECT_GE(result.terms.size(), fewest);
        if (result.outcome == fit_outcome::proven) {
            EXPECT_EQ(result.terms.size(), fewest);
            ++proven;
        }
    }
    // The cover misses the optimum of some of these by a term; the bound meets most.
    EXPECT_GE(proven, std::size_t{rounds} / 2);
}

// The design's function with the outputs of `inverted` inverted, as the minimizer's steps
// take it.
std::unique_ptr<output_sets> sets_of(const std::vector<std::uint8_t>& table, const std::vector<std::uint8_t>& care,
                                     unsigned inverted) {
    auto sets = std::make_unique<output_sets>();
    sets->outputs = 0xFF;
    for (unsigned word = 0; word < fit_table_size; ++word) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            const bool cared = ((care[word] >> output) & 1U) != 0;
            const bool high = (((table[word] ^ inverted) >> output) & 1U) != 0;
            sets->need[output][word / 64] |= std::uint64_t{cared && high ? 1U : 0U} << (word % 64);
            sets->on[output][word / 64] |= std::uint64_t{!cared || high ? 1U : 0U} << (word % 64);
        }
    }
    return sets;
}

// Whether the terms cover the function: each inside the on-set of every output it feeds,
// every needed point held by a term feeding its output.
bool covers(const cover& terms, const output_sets& function) {
    for (unsigned output = 0; output < pla_output_count; ++output) {
        point_set left = function.need[output];
        for (const fit_term& term : terms) {
            if (((term.outputs >> output) & 1U) != 0) {
                if (!cube_inside(function.on[output], cube_of(term))) {
                    return false;
                }
                remove_cube(left, cube_of(term));
            }
        }
        if (count_points(left) != 0) {
            return false;
        }
    }
    return true;
}

// The exact cover of one polarity, grown from no pairs at all: the brute-force count at
// that polarity, and a cover of that many terms.
TEST(FitProof, ExactCoverAgainstBruteForce) {
    std::mt19937 random(21);
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
    for (int round = 0; round < 6; ++round) {
        small_function function{};
        for (unsigned word = 0; word < 8; ++word) {
            function.levels[word] = static_cast<std::uint8_t>(random() & 3U);
            function.care[word] = static_cast<std::uint8_t>(round % 2 == 0 ? (random() | random()) & 3U : 3U);
        }
        spread(function, table, care);
        for (unsigned inverted = 0; inverted < 4; ++inverted) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", polarity " << inverted);
            const std::size_t fewest = brute_force_fewest_at(function, inverted);
            // Its outputs 0 and 1 are F1 and F6.
            const auto sets = sets_of(table, care, ((inverted & 1U) << 1) | ((inverted & 2U) << 5));
            effort budget(fit_default_effort);
            const exact_bound exact = exact_cover_bound(*sets, {}, {}, 0, SIZE_MAX, budget);
            EXPECT_EQ(exact.bound, fewest);
            ASSERT_TRUE(exact.found);
            EXPECT_EQ(exact.found->size(), fewest);
            EXPECT_TRUE(covers(*exact.found, *sets));
        }
    }
}

// A function that needs no term (every output low wherever it matters): the exact cover
// finds the cover of no terms below the target, found all the same.
TEST(FitProof, ExactCoverFindsTheCoverOfNoTerms) {
    const std::vector<std::uint8_t> low(fit_table_size, 0);
    effort budget(fit_default_effort);
    const exact_bound exact = exact_cover_bound(*sets_of(low, low, 0), {}, {}, 0, 5, budget);
    EXPECT_EQ(exact.bound, 0U);
    ASSERT_TRUE(exact.found);
    EXPECT_TRUE(exact.found->empty());
}

// Covering rows by sets, against every choice of sets: the fewest found, one fewer refuted.
// The first 60 small; 30 more of up to 60 rows and 16 columns, each row held by two or
// three columns (as the edges of a graph by their ends): nothing sets most of them aside,
// and the search branches deep, on bounds that are fractions.
TEST(FitProof, SmallestCoverAgainstBruteForce) {
    std::mt19937 random(22);
    for (int round = 0; round < 90; ++round) {
        const bool small = round < 60;
        const std::size_t rows = small ? 4 + random() % 9 : 20 + random() % 41;
        const std::size_t count = small ? 1 + random() % 10 : 12 + random() % 5;
        std::vector<std::vector<std::uint64_t>> columns(count, std::vector<std::uint64_t>(1, 0));
        for (std::size_t row = 0; row < rows; ++row) {
            bool held = false;
            for (std::size_t ends = small ? 0 : 2 + random() % 2; ends > 0; --ends) {
                columns[random() % count][0] |= std::uint64_t{1} << row;
            }
            for (auto& column : columns) {
                if (small && random() % 3 == 0) {
                    column[0] |= std::uint64_t{1} << row;
                    held = true;
                }
            }
            if (small && !held) {
                columns[random() % count][0] |= std::uint64_t{1} << row;
            }
        }
        const std::uint64_t all = (std::uint64_t{1} << rows) - 1;
        std::size_t fewest = SIZE_MAX;
        // held[chosen]: the rows the columns of `chosen` hold, from those of one column fewer.
        std::vector<std::uint64_t> held(std::size_t{1} << count, 0);
        for (std::size_t chosen = 1; chosen < held.size(); ++chosen) {
            held[chosen] = held[chosen & (chosen - 1)] | columns[static_cast<std::size_t>(std::countr_zero(chosen))][0];
            if (held[chosen] == all) {
                fewest = std::min(fewest, static_cast<std::size_t>(std::popcount(chosen)));
            }
        }
        SCOPED_TRACE(round);
        effort budget(fit_default_effort);
        const cover_choice at = smallest_cover(rows, columns, fewest, budget);
        EXPECT_EQ(at.columns.size(), fewest);
        std::uint64_t union_held = 0;
        for (const std::size_t column : at.columns) {
            union_held |= columns.at(column)[0];
        }
        EXPECT_EQ(union_held, all);
        const cover_choice below = smallest_cover(rows, columns, fewest - 1, budget);
        EXPECT_TRUE(below.columns.empty());
        EXPECT_TRUE(below.refuted);
    }
}

// Outputs on disjoint inputs share no term usefully: the optimum is the sum of each
// output's own, in its better polarity. F0 the parity of I0-I2 (4 terms either way), F1
// the majority of I3-I5 (3 either way), F2 the AND of I6-I8 (1), F3 the OR of I9-I11 (1,
// inverted), F4 the parity of I12-I14 (4), F5 = I15 (1), F6 low and F7 high (none).
TEST(FitProof, DisjointInputsAddUp) {
    truth_table table{};
    for (unsigned word = 0; word < fit_table_size; ++word) {
        const auto field = [&](unsigned first) { return (word >> first) & 7U; };
        unsigned outputs = 0;
        outputs |= (std::popcount(field(0)) % 2 == 1 ? 1U : 0U) << 0;
        outputs |= (std::popcount(field(3)) >= 2 ? 1U : 0U) << 1;
        outputs |= (field(6) == 7 ? 1U : 0U) << 2;
        outputs |= (field(9) != 0 ? 1U : 0U) << 3;
        outputs |= (std::popcount(field(12)) % 2 == 1 ? 1U : 0U) << 4;
        outputs |= ((word >> 15) & 1U) << 5;
        outputs |= 1U << 7;
        table[word] = static_cast<std::uint8_t>(outputs);
    }
    const fit_result result = fit_truth_table(table);
    EXPECT_EQ(result.outcome, fit_outcome::proven);
    EXPECT_EQ(result.terms.size(), 14U);
    EXPECT_EQ(result.lower_bound, 14U);
    EXPECT_EQ(result.inverted_outputs & 0x8C, 0x88); // F3 and F7 inverted, F2 not
}

// Two unrelated programmings, F0-F3 from one and F4-F7 from the other: each needs most of
// the array alone, so together they cannot fit. Proven impossible, or fitted and proven
// otherwise; never a cover the array would take left unproven by a bound this weak.
TEST(FitProof, TwoUnrelatedProgrammingsAreImpossible) {
    const auto first = derive_pla_evaluator<max_term_bytes>(random_programming(100, realistic_style));
    const auto second = derive_pla_evaluator<max_term_bytes>(random_programming(200, realistic_style));
    truth_table table{};
    for (unsigned word = 0; word < fit_table_size; ++word) {
        const auto input = static_cast<std::uint16_t>(word);
        table[word] =
            static_cast<std::uint8_t>((evaluate_with(first, input) & 0x0FU) | (evaluate_with(second, input) & 0xF0U));
    }
    const fit_result result = fit_truth_table(table);
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.outcome, fit_outcome::impossible);
    EXPECT_GT(result.lower_bound, pla_term_count);
    EXPECT_LE(result.lower_bound, result.terms.size());
    EXPECT_FALSE(result.alone_output.has_value());
}

// The 9-input parity on F5: 256 terms in either polarity, the output named.
TEST(FitProof, NineInputParityIsImpossible) {
    truth_table table{};
    for (unsigned word = 0; word < fit_table_size; ++word) {
        table[word] = std::popcount(word & 0x1FFU) % 2 == 1 ? 0x20 : 0x00;
    }
    const fit_result result = fit_truth_table(table);
    EXPECT_EQ(result.outcome, fit_outcome::impossible);
    EXPECT_EQ(result.alone_output, 5U);
    EXPECT_EQ(result.alone_bound, 256U);
    EXPECT_EQ(result.lower_bound, 256U);
}

// Random bytes: impossible, whichever output is named needing more than 48 alone.
TEST(FitProof, RandomBytesAreImpossible) {
    std::mt19937 random(7);
    truth_table table{};
    std::generate(table.begin(), table.end(), [&] { return static_cast<std::uint8_t>(random()); });
    const fit_result result = fit_truth_table(table);
    EXPECT_EQ(result.outcome, fit_outcome::impossible);
    ASSERT_TRUE(result.alone_output.has_value());
    EXPECT_GT(result.alone_bound, pla_term_count);
}

// Levels that do not matter let a design fit in fewer terms than its table: the built-in
// image with F1-F7 free wherever F0 is high. Still driven where it matters, the bound
// still below the 25 terms of the full table's proven optimum.
TEST(FitProof, FreeLevelsNeverRaiseTheBound) {
    std::vector<std::uint8_t> table(fit_table_size);
    std::vector<std::uint8_t> care(fit_table_size);
    for (unsigned word = 0; word < fit_table_size; ++word) {
        table[word] = pla_evaluate(static_cast<std::uint16_t>(word));
        care[word] = (table[word] & 1U) != 0 ? 0x01 : 0xFF;
    }
    const fit_result result = fit_design(span_of(table), span_of(care), {});
    EXPECT_TRUE(result.found);
    EXPECT_TRUE(drives(result, table, care));
    EXPECT_EQ(fit_check_problem(fit_fuses(result), span_of(table), span_of(care)), std::nullopt);
    // The same programming held to every level: F1-F7 differ somewhere, or the free
    // levels were worth nothing.
    if (result.terms.size() < 25) {
        EXPECT_NE(fit_check_problem(fit_fuses(result), span_of(table)), std::nullopt);
    }
    EXPECT_LE(result.lower_bound, 25U);
    EXPECT_LE(result.lower_bound, result.terms.size());
    EXPECT_NE(result.outcome, fit_outcome::impossible);
}

// Less effort, the same answer twice; none at all, still a cover and a sound bound.
TEST(FitProof, EffortIsCountedNotTimed) {
    std::vector<std::uint8_t> table(fit_table_size);
    const std::vector<std::uint8_t> care(fit_table_size, 0xFF);
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(random_programming(5, mixed_style));
    for (unsigned word = 0; word < fit_table_size; ++word) {
        table[word] = evaluate_with(evaluator, static_cast<std::uint16_t>(word));
    }
    const fit_options little{pla_term_count, fit_default_effort / 100};
    const fit_result once = fit_design(span_of(table), span_of(care), little);
    const fit_result again = fit_design(span_of(table), span_of(care), little);
    EXPECT_EQ(once.terms, again.terms);
    EXPECT_EQ(once.lower_bound, again.lower_bound);
    EXPECT_EQ(once.outcome, again.outcome);
    const fit_result none = fit_design(span_of(table), span_of(care), {pla_term_count, 0});
    EXPECT_TRUE(drives(none, table, care));
    EXPECT_LE(none.lower_bound, once.terms.size());
}

} // namespace

// The minimizer's set library and steps, each held to what it promises, checked point by
// point.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <random>

#include "minimize/cover.h"
#include "minimize/point_set.h"
#include "pla/evaluator.h"
#include "tests/random_programming.h"

namespace {

bool holds(const fit_term& term, unsigned point) {
    return (point & term.care) == term.levels;
}

bool in_set(const point_set& set, unsigned point) {
    return ((set[point / 64] >> (point % 64)) & 1U) != 0;
}

fit_term random_cube(std::mt19937& random) {
    const auto care = static_cast<std::uint16_t>(random() & random());
    return {care, static_cast<std::uint16_t>(random() & care), 1};
}

TEST(PointSet, CubeWordsHoldExactlyTheCubesPoints) {
    std::mt19937 random(9);
    for (int round = 0; round < 40; ++round) {
        const fit_term term = random_cube(random);
        point_set painted{};
        std::size_t words = 0;
        for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t mask) {
            painted[word] |= mask;
            ++words;
            return true;
        });
        std::size_t points = 0;
        for (unsigned point = 0; point <= 0xFFFFU; ++point) {
            ASSERT_EQ(in_set(painted, point), holds(term, point)) << std::hex << term.care << ' ' << term.levels;
            points += holds(term, point) ? 1 : 0;
        }
        EXPECT_EQ(cube_words(term.care) * 64, points << std::popcount(term.care & 0x3FU));
        EXPECT_EQ(cube_words(term.care), words);
        EXPECT_EQ(count_in_cube(painted, cube_of(term)), points);
        EXPECT_TRUE(cube_inside(painted, cube_of(term)));
    }
}

TEST(PointSet, IsolatedPoints) {
    point_set set{};
    const auto add = [&](unsigned point) { set[point / 64] |= std::uint64_t{1} << (point % 64); };
    add(0x0000); // alone
    add(0x0003); // 0x0003 and 0x0083 differ in I7 only: neighbours
    add(0x0083);
    add(0xFFFF); // 0xFFFF and 0x7FFE differ in two inputs: both alone
    add(0x7FFE);
    const point_set isolated = isolated_points(set, set);
    EXPECT_EQ(count_points(isolated), 3U);
    EXPECT_TRUE(in_set(isolated, 0x0000));
    EXPECT_TRUE(in_set(isolated, 0xFFFF));
    EXPECT_TRUE(in_set(isolated, 0x7FFE));
}

// The on-sets of a random map with overlapping terms, in the map's own phases.
std::unique_ptr<output_sets> function_of(std::uint32_t seed) {
    const pla_fuses fuses = random_programming(seed, overlapping_style);
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    auto function = std::make_unique<output_sets>();
    function->outputs = 0xFF;
    for (unsigned point = 0; point <= 0xFFFFU; ++point) {
        unsigned sums = evaluate_with(evaluator, static_cast<std::uint16_t>(point)) ^ evaluator.inverted_outputs;
        for (unsigned output = 0; output < pla_output_count; ++output) {
            function->on[output][point / 64] |= std::uint64_t{(sums >> output) & 1U} << (point % 64);
        }
    }
    function->need = function->on;
    return function;
}

// Calls visit(point) for every point of the term's cube.
template <typename Visit>
void visit_points(const fit_term& term, Visit visit) {
    const unsigned free = ~term.care & 0xFFFFU;
    unsigned subset = 0;
    do {
        visit(term.levels | subset);
        subset = (subset - free) & free;
    } while (subset != 0);
}

// How many terms of `terms` hold each point for each output.
std::vector<unsigned> counts_of(const cover& terms) {
    std::vector<unsigned> counts(pla_output_count << 16);
    for (const fit_term& term : terms) {
        visit_points(term, [&](unsigned point) {
            for (unsigned output = 0; output < pla_output_count; ++output) {
                counts[(output << 16) | point] += (term.outputs >> output) & 1U;
            }
        });
    }
    return counts;
}

// Every point of every on-set covered, and no term outside the on-set of an output it feeds.
void expect_cover(const cover& terms, const output_sets& function) {
    const std::vector<unsigned> counts = counts_of(terms);
    for (unsigned output = 0; output < pla_output_count; ++output) {
        for (unsigned point = 0; point <= 0xFFFFU; ++point) {
            ASSERT_EQ(counts[(output << 16) | point] != 0, in_set(function.on[output], point))
                << "F" << output << std::hex << " at 0x" << point;
        }
    }
}

// No input of any term can be freed, nor any output added.
void expect_primes(const cover& terms, const output_sets& function) {
    effort budget(UINT64_MAX);
    for (const fit_term& term : terms) {
        for (unsigned input = 0; input < 16; ++input) {
            if (((term.care >> input) & 1U) != 0) {
                const unsigned care = term.care & ~(1U << input);
                EXPECT_FALSE(cube_inside_outputs(function, {care, term.levels & care}, term.outputs, budget));
            }
        }
        for (unsigned output = 0; output < pla_output_count; ++output) {
            if (((term.outputs >> output) & 1U) == 0) {
                EXPECT_FALSE(cube_inside(function.on[output], cube_of(term)));
            }
        }
    }
}

// The outputs for which the term holds a point that no other term covers.
unsigned needed_for(const fit_term& term, const std::vector<unsigned>& counts) {
    unsigned needed = 0;
    visit_points(term, [&](unsigned point) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            if (((term.outputs >> output) & 1U) != 0 && counts[(output << 16) | point] == 1) {
                needed |= 1U << output;
            }
        }
    });
    return needed;
}

// Each term needed for some output it feeds, or for every output it feeds.
void expect_each_needed(const cover& terms, bool for_every_output) {
    const std::vector<unsigned> counts = counts_of(terms);
    for (const fit_term& term : terms) {
        const unsigned needed = needed_for(term, counts);
        EXPECT_TRUE(for_every_output ? needed == term.outputs : needed != 0)
            << std::hex << term.care << ' ' << term.levels << " feeds " << unsigned{term.outputs} << ", needed for "
            << needed;
    }
}

TEST(Coverage, CountsMatchTermByTerm) {
    std::mt19937 random(4);
    cover terms;
    for (int count = 0; count < 12; ++count) {
        fit_term term = random_cube(random);
        term.outputs = static_cast<std::uint8_t>(random() | 1U);
        terms.push_back(term);
    }
    terms.push_back(terms[0]); // three over the same points
    terms.push_back(terms[0]);
    effort budget(UINT64_MAX);
    coverage counts(terms, budget);
    counts.remove(terms[3], terms[3].outputs & 0x0FU, budget);
    terms[3].outputs &= 0xF0U;
    const std::vector<unsigned> expected = counts_of(terms);
    for (unsigned output = 0; output < pla_output_count; ++output) {
        for (std::size_t word = 0; word < point_set_words; ++word) {
            for (unsigned bit = 0; bit < 64; ++bit) {
                const unsigned count = expected[(output << 16) | (word * 64 + bit)];
                ASSERT_EQ(((counts.exactly_one(output, word) >> bit) & 1U) != 0, count == 1);
                ASSERT_EQ(((counts.exactly_two(output, word) >> bit) & 1U) != 0, count == 2);
                ASSERT_EQ(((counts.at_least_two(output, word) >> bit) & 1U) != 0, count >= 2);
            }
        }
    }
}

// Each step keeps a cover and does its own part, from a greedy start through a full loop.
TEST(Steps, EachKeepsACoverAndDoesItsPart) {
    const auto function = function_of(11);
    effort budget(UINT64_MAX);
    cover terms = greedy_cover(*function, SIZE_MAX, budget);
    expect_cover(terms, *function);
    expect_primes(terms, *function);

    const std::size_t greedy = terms.size();
    make_irredundant(terms, *function, budget);
    expect_cover(terms, *function);
    expect_each_needed(terms, false);
    EXPECT_LT(terms.size(), greedy);

    reduce_cover(terms, *function, budget);
    expect_cover(terms, *function);
    expect_each_needed(terms, true);

    const std::size_t reduced = terms.size();
    expand_cover(terms, *function, budget);
    expect_cover(terms, *function);
    expect_primes(terms, *function);
    EXPECT_LE(terms.size(), reduced);

    const cover_cost before = cost_of(terms);
    terms = minimize_cover(terms, *function, budget);
    expect_cover(terms, *function);
    expect_each_needed(terms, true);
    EXPECT_LE(cost_of(terms), before);
}

// A greedy cover past its cap stops at one term over it.
TEST(Steps, GreedyCoverStopsPastItsCap) {
    const auto function = function_of(12);
    effort budget(UINT64_MAX);
    EXPECT_EQ(greedy_cover(*function, 3, budget).size(), 4U);
}

// Points of the small parity, 2 to the 7th of them, no two sharing an implicant; with
// the effort spent, the bound stops short but stays a bound.
TEST(LowerBound, IndependentPoints) {
    point_set odd{};
    for (unsigned point = 0; point <= 0xFFFFU; ++point) {
        odd[point / 64] |= std::uint64_t{std::popcount(point & 0xFFU) % 2 == 1} << (point % 64);
    }
    effort enough(UINT64_MAX);
    EXPECT_EQ(independent_points(odd, odd, enough), 128U);
    effort little(20'000);
    const std::size_t cut_short = independent_points(odd, odd, little);
    EXPECT_LT(cut_short, 128U);
    EXPECT_TRUE(little.exhausted());
}

} // namespace

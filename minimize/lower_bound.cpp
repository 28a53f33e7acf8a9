// Lower bounds: points of an on-set no two of which one implicant can hold, so that each
// needs a term of its own.
#include <algorithm>
#include <array>
#include <bit>
#include <span>

#include "minimize/cover.h"

namespace {

// Bit b of the result: the point b of `word` has a neighbour in `allowed` across input `input`.
std::uint64_t neighbours_across(const point_set& allowed, std::size_t word, unsigned input) noexcept {
    if (input < inputs_within_word) {
        const std::uint64_t high = point_set_detail::high_within_word[input];
        const unsigned distance = 1U << input;
        return ((allowed[word] & high) >> distance) | ((allowed[word] & ~high) << distance);
    }
    return allowed[word ^ (std::size_t{1} << (input - inputs_within_word))];
}

// The needed points with a neighbour in `allowed`, those with fewest first: they are the
// hardest to share a term with. The neighbours are counted 64 points at a time, in five
// bit planes.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the points, then where their neighbours count
std::vector<std::uint16_t> by_neighbours(const point_set& need, const point_set& allowed) {
    constexpr std::size_t planes = 5;
    std::vector<std::array<std::uint64_t, planes>> counts(point_set_words);
    for (std::size_t word = 0; word < point_set_words; ++word) {
        std::array<std::uint64_t, planes>& count = counts[word];
        for (unsigned input = 0; input < pla_input_count; ++input) {
            std::uint64_t carry = neighbours_across(allowed, word, input);
            for (std::size_t plane = 0; plane < planes && carry != 0; ++plane) {
                const std::uint64_t next = count[plane] & carry;
                count[plane] ^= carry;
                carry = next;
            }
        }
    }
    std::vector<std::uint16_t> points;
    for (unsigned neighbours = 1; neighbours <= pla_input_count; ++neighbours) {
        for (std::size_t word = 0; word < point_set_words; ++word) {
            std::uint64_t match = need[word];
            for (std::size_t plane = 0; plane < planes; ++plane) {
                match &= ((neighbours >> plane) & 1U) != 0 ? counts[word][plane] : ~counts[word][plane];
            }
            for (; match != 0; match &= match - 1) {
                points.push_back(
                    static_cast<std::uint16_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(match))));
            }
        }
    }
    return points;
}

// What a check costs beside the words it reads: most checks read a single word.
constexpr std::size_t check_steps = 8;

} // namespace

std::size_t independent_points(const point_set& need, const point_set& allowed, effort& budget, std::size_t enough) {
    // An isolated point shares no implicant with any other point: a cube of two points or
    // more holding it holds one of its neighbours.
    const std::size_t isolated = count_points(isolated_points(need, allowed));
    budget.spend(fit_table_size / 4);
    std::vector<std::uint16_t> chosen;
    if (isolated >= enough) {
        return isolated;
    }
    for (const std::uint16_t point : by_neighbours(need, allowed)) {
        if (budget.exhausted() || isolated + chosen.size() >= enough) {
            break;
        }
        // Two points can share an implicant exactly when their supercube is one.
        const bool apart = std::none_of(chosen.begin(), chosen.end(), [&](std::uint16_t other) {
            const unsigned care = ~(static_cast<unsigned>(point) ^ other) & all_inputs;
            std::size_t words = 0;
            const bool inside = for_each_cube_word({care, point & care}, [&](std::size_t word, std::uint64_t mask) {
                ++words;
                return (allowed[word] & mask) == mask;
            });
            budget.spend(check_steps + words);
            return inside;
        });
        if (apart) {
            chosen.push_back(point);
        }
    }
    return isolated + chosen.size();
}

// Lower bounds: points of an on-set no two of which one implicant can hold, so that each
// needs a term of its own.
#include <algorithm>
#include <array>
#include <bit>
#include <span>

#include "minimize/cover.h"

namespace {

bool holds(const point_set& set, unsigned point) noexcept {
    return ((set[point / 64] >> (point % 64)) & 1U) != 0;
}

// The needed points with a neighbour in `on`, those with fewest first: they are the
// hardest to share a term with.
std::vector<std::uint16_t> by_neighbours(const point_set& need, const point_set& on) {
    std::array<std::vector<std::uint16_t>, pla_input_count + 1> buckets;
    for (unsigned point = 0; point < fit_table_size; ++point) {
        if (!holds(need, point)) {
            continue;
        }
        unsigned neighbours = 0;
        for (unsigned input = 0; input < pla_input_count; ++input) {
            neighbours += holds(on, point ^ (1U << input)) ? 1 : 0;
        }
        buckets[neighbours].push_back(static_cast<std::uint16_t>(point));
    }
    std::vector<std::uint16_t> points;
    for (const auto& bucket : std::span(buckets).subspan(1)) {
        points.insert(points.end(), bucket.begin(), bucket.end());
    }
    return points;
}

// What a check costs beside the words it reads: most checks read a single word.
constexpr std::size_t check_steps = 8;

} // namespace

std::size_t independent_points(const point_set& need, const point_set& on, effort& budget) {
    // An isolated point shares no implicant with any other point: a cube of two points or
    // more holding it holds one of its neighbours.
    const std::size_t isolated = count_points(isolated_points(need, on));
    budget.spend(fit_table_size / 4);
    std::vector<std::uint16_t> chosen;
    for (const std::uint16_t point : by_neighbours(need, on)) {
        if (budget.exhausted()) {
            break;
        }
        // Two points can share an implicant exactly when their supercube is one.
        const bool apart = std::none_of(chosen.begin(), chosen.end(), [&](std::uint16_t other) {
            const unsigned care = ~(static_cast<unsigned>(point) ^ other) & all_inputs;
            std::size_t words = 0;
            const bool inside = for_each_cube_word({care, point & care}, [&](std::size_t word, std::uint64_t mask) {
                ++words;
                return (on[word] & mask) == mask;
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

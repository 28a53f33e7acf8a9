// The first cover: primes grown one at a time from the points still uncovered.
#include <bit>

#include "minimize/cover.h"

namespace {

// The prime grown from `point` for `output`: frees, one at a time, the input whose
// freeing takes in most points still uncovered, then feeds every other output whose
// on-set holds the cube.
fit_term grow_from_point(unsigned point, unsigned output, const output_sets& function, const point_set& uncovered,
                         effort& budget) {
    fit_term term{static_cast<std::uint16_t>(all_inputs), static_cast<std::uint16_t>(point),
                  static_cast<std::uint8_t>(1U << output)};
    const point_set& on_set = function.on[output];
    while (true) {
        unsigned best = 0;
        std::size_t best_gain = 0;
        for (unsigned inputs = term.care; inputs != 0; inputs &= inputs - 1) {
            const unsigned input = inputs & (~inputs + 1);
            const cube other_half{term.care, term.levels ^ input};
            budget.spend(2 * cube_words(term.care));
            if (!cube_inside(on_set, other_half)) {
                continue;
            }
            const std::size_t gain = count_in_cube(uncovered, other_half) + 1;
            if (gain > best_gain) {
                best = input;
                best_gain = gain;
            }
        }
        if (best == 0) {
            break;
        }
        term.care = static_cast<std::uint16_t>(term.care & ~best);
        term.levels = static_cast<std::uint16_t>(term.levels & ~best);
    }
    for (unsigned other = 0; other < pla_output_count; ++other) {
        if (((function.outputs >> other) & 1U) != 0 && cube_inside(function.on[other], cube_of(term))) {
            term.outputs = static_cast<std::uint8_t>(term.outputs | (1U << other));
        }
    }
    budget.spend(pla_output_count * cube_words(term.care));
    return term;
}

} // namespace

cover greedy_cover(const output_sets& function, std::size_t cap, effort& budget) {
    std::vector<point_set> uncovered(pla_output_count);
    for (unsigned output = 0; output < pla_output_count; ++output) {
        if (((function.outputs >> output) & 1U) != 0) {
            uncovered[output] = function.need[output];
        }
    }
    cover terms;
    for (unsigned output = 0; output < pla_output_count; ++output) {
        for (std::size_t word = 0; word < point_set_words; ++word) {
            while (uncovered[output][word] != 0) {
                const auto point = static_cast<unsigned>(
                    word * 64 + static_cast<std::size_t>(std::countr_zero(uncovered[output][word])));
                const fit_term term = grow_from_point(point, output, function, uncovered[output], budget);
                terms.push_back(term);
                if (terms.size() > cap) {
                    return terms;
                }
                for (unsigned fed = 0; fed < pla_output_count; ++fed) {
                    if (((term.outputs >> fed) & 1U) != 0) {
                        remove_cube(uncovered[fed], cube_of(term));
                    }
                }
            }
        }
    }
    return terms;
}

// Reduce: each term shrunk to what only it covers, so that the next expand can grow it
// another way.
#include <algorithm>
#include <bit>
#include <numeric>

#include "minimize/cover.h"

namespace {

// Of the points of one word in `points` (not none), the inputs I0-I5 high at all of them,
// and those high at any.
unsigned within_word_all_high(std::uint64_t points) noexcept {
    unsigned high = 0;
    for (unsigned input = 0; input < inputs_within_word; ++input) {
        if ((points & ~point_set_detail::high_within_word[input]) == 0) {
            high |= 1U << input;
        }
    }
    return high;
}

unsigned within_word_any_high(std::uint64_t points) noexcept {
    unsigned high = 0;
    for (unsigned input = 0; input < inputs_within_word; ++input) {
        if ((points & point_set_detail::high_within_word[input]) != 0) {
            high |= 1U << input;
        }
    }
    return high;
}

} // namespace

void reduce_cover(cover& terms, const output_sets& function, effort& budget) {
    coverage counts(terms, budget);
    // Large terms first: shrinking them leaves the small ones their points.
    std::vector<std::size_t> order(terms.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t left, std::size_t right) {
        return std::popcount(terms[left].care) < std::popcount(terms[right].care);
    });
    std::vector<std::uint8_t> dropped(terms.size(), 0);
    for (const std::size_t index : order) {
        const fit_term term = terms[index];
        unsigned all_high = all_inputs; // inputs high at every needed point covered only by the term
        unsigned any_high = 0;          // inputs high at some such point
        unsigned kept_outputs = 0;
        for (unsigned output = 0; output < pla_output_count; ++output) {
            if (((term.outputs >> output) & 1U) == 0) {
                continue;
            }
            for_each_cube_word(cube_of(term), [&](std::size_t word, std::uint64_t mask) {
                const std::uint64_t alone = mask & function.need[output][word] & counts.exactly_one(output, word);
                if (alone != 0) {
                    all_high &= (static_cast<unsigned>(word) << inputs_within_word) | within_word_all_high(alone);
                    any_high |= (static_cast<unsigned>(word) << inputs_within_word) | within_word_any_high(alone);
                    kept_outputs |= 1U << output;
                }
                return true;
            });
        }
        budget.spend(4 * cube_words(term.care) * static_cast<std::size_t>(std::popcount(term.outputs)));
        counts.remove(term, term.outputs, budget);
        if (kept_outputs == 0) {
            dropped[index] = 1;
            continue;
        }
        const auto care = static_cast<std::uint16_t>(~(all_high ^ any_high) & all_inputs);
        terms[index] = {care, static_cast<std::uint16_t>(all_high & care), static_cast<std::uint8_t>(kept_outputs)};
        counts.add(terms[index], kept_outputs, budget);
    }
    std::size_t kept = 0;
    for (std::size_t index = 0; index < terms.size(); ++index) {
        if (dropped[index] == 0) {
            terms[kept++] = terms[index];
        }
    }
    terms.resize(kept);
}

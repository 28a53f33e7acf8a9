// Random programmings of the array in which every one of the 48 terms is live: it can be
// true and it feeds at least one output. The same seed gives the same map everywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>

#include "pla/pla.h"

// Each term has min_literals to max_literals literals and feeds 1 to max_outputs outputs;
// copies_in_six terms in six are a near copy of an earlier term (one literal dropped,
// added or changed), so that terms overlap.
struct programming_style {
    unsigned min_literals;
    unsigned max_literals;
    unsigned max_outputs;
    unsigned copies_in_six;
};

// Like a real map, such as the built-in one.
inline constexpr programming_style realistic_style{4, 10, 4, 0};
// Fewer literals, more outputs, terms that overlap: more room for the minimizer.
inline constexpr programming_style overlapping_style{1, 5, 6, 2};
// Between the two: covers that stay near 48 terms but no longer by their own terms.
inline constexpr programming_style mixed_style{3, 7, 5, 1};

inline pla_fuses random_programming(std::uint32_t seed, programming_style style) {
    std::mt19937 random(seed);
    const auto below = [&](unsigned bound) { return static_cast<unsigned>(random() % bound); };
    std::array<unsigned, pla_term_count> care{};
    std::array<unsigned, pla_term_count> levels{};
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        if (term > 0 && below(6) < style.copies_in_six) {
            const std::size_t model = below(static_cast<unsigned>(term));
            const unsigned input = 1U << below(16);
            care[term] = care[model] ^ (below(2) == 0 ? input : 0U);
            levels[term] = (levels[model] ^ (below(2) == 0 ? input : 0U)) & care[term];
            if (care[term] == 0) {
                care[term] = input;
            }
            continue;
        }
        const unsigned literals = style.min_literals + below(style.max_literals - style.min_literals + 1);
        while (static_cast<unsigned>(std::popcount(care[term])) < literals) {
            care[term] |= 1U << below(16);
        }
        levels[term] = static_cast<unsigned>(random()) & care[term];
    }
    pla_fuses fuses{};
    fuses.fill(1);
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            if (((care[term] >> input) & 1U) != 0) {
                const bool high = ((levels[term] >> input) & 1U) != 0;
                fuses[high ? pla_true_fuse(term, input) : pla_complement_fuse(term, input)] = 0;
            }
        }
        const unsigned outputs = 1 + below(style.max_outputs);
        unsigned fed = 0;
        while (static_cast<unsigned>(std::popcount(fed)) < outputs) {
            fed |= 1U << below(8);
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses[pla_output_fuse(term, output)] = ((fed >> output) & 1U) != 0 ? 0 : 1;
        }
    }
    const unsigned inverted = below(256);
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        fuses[pla_polarity_fuse(output)] = static_cast<std::uint8_t>((inverted >> output) & 1U);
    }
    return fuses;
}

// The same programming with only its first `live` terms feeding outputs.
inline pla_fuses with_live_terms(pla_fuses fuses, std::size_t live) {
    for (std::size_t term = live; term < pla_term_count; ++term) {
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses[pla_output_fuse(term, output)] = 1;
        }
    }
    return fuses;
}

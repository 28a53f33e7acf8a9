// Tables made to sit near the array's 48 terms, in the families a restorer meets at the
// edge: functions of a few inputs placed on random address bits, with outputs repeated,
// complemented or constant; the same with levels that do not matter; threshold functions;
// and single outputs of 9 inputs with many primes. The same seed gives the same table
// everywhere.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "minimize/minimize.h"

struct edge_table {
    // The levels, and where each matters (bit k for Fk).
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
    // The address bits the table reads, its input 0 first: the table over those alone
    // holds all it says (a peer is given that one).
    std::vector<unsigned> inputs;
};

enum class edge_family : std::uint8_t {
    // 4 to 7 random outputs of 6 inputs; the others copies, complements or constants.
    random_outputs,
    // 6 or 7 random outputs of 6 inputs, the others as above, a share of levels free.
    free_levels,
    // Each output a threshold function of 7 inputs, weights of either sign.
    threshold,
    // One output of 9 inputs, sparse: many primes, some 40 to 50 needed.
    single_output,
};

namespace edge_detail {

// `small` (bit k for output k, at the words of `inputs`) spread over the 65,536 words.
inline void spread(edge_table& made, const std::vector<std::uint8_t>& levels, const std::vector<std::uint8_t>& care) {
    made.table.assign(fit_table_size, 0);
    made.care.assign(fit_table_size, 0);
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        std::size_t small = 0;
        for (std::size_t input = 0; input < made.inputs.size(); ++input) {
            small |= ((word >> made.inputs[input]) & 1U) << input;
        }
        made.table[word] = static_cast<std::uint8_t>(levels[small] & care[small]);
        made.care[word] = care[small];
    }
}

inline std::vector<unsigned> random_inputs(std::mt19937& random, std::size_t count) {
    std::vector<unsigned> all(pla_input_count);
    std::iota(all.begin(), all.end(), 0U);
    std::shuffle(all.begin(), all.end(), random);
    all.resize(count);
    return all;
}

} // namespace edge_detail

inline edge_table make_edge_table(edge_family family, std::uint32_t seed) {
    std::mt19937 random(seed * 4 + static_cast<std::uint32_t>(family));
    const auto below = [&](unsigned bound) { return static_cast<unsigned>(random() % bound); };
    edge_table made;
    const std::size_t input_count = family == edge_family::threshold ? 7 : family == edge_family::single_output ? 9 : 6;
    made.inputs = edge_detail::random_inputs(random, input_count);
    const std::size_t words = std::size_t{1} << input_count;
    std::vector<std::uint8_t> levels(words, 0);
    std::vector<std::uint8_t> care(words, 0xFF);
    if (family == edge_family::random_outputs || family == edge_family::free_levels) {
        // Each random output high at a share of its words from a quarter to a half; with
        // levels free, one more at least, to stay near the edge.
        const unsigned outputs = family == edge_family::free_levels ? 6 + below(2) : 4 + below(4);
        std::array<unsigned, pla_output_count> order{};
        std::iota(order.begin(), order.end(), 0U);
        std::shuffle(order.begin(), order.end(), random);
        for (unsigned place = 0; place < outputs; ++place) {
            const unsigned share = 16 + below(17); // of 64
            for (std::size_t word = 0; word < words; ++word) {
                levels[word] |= static_cast<std::uint8_t>((below(64) < share ? 1U : 0U) << order[place]);
            }
        }
        for (unsigned place = outputs; place < pla_output_count; ++place) {
            const unsigned model = order[below(outputs)];
            const unsigned kind = below(4); // copy, complement, low, high
            for (std::size_t word = 0; word < words; ++word) {
                const unsigned level = kind == 0   ? (levels[word] >> model) & 1U
                                       : kind == 1 ? ~(levels[word] >> model) & 1U
                                                   : kind - 2;
                levels[word] |= static_cast<std::uint8_t>(level << order[place]);
            }
        }
        if (family == edge_family::free_levels) {
            const unsigned share = 4 + below(9); // of 64, each level of each output
            for (std::size_t word = 0; word < words; ++word) {
                for (unsigned output = 0; output < pla_output_count; ++output) {
                    care[word] &= static_cast<std::uint8_t>(~((below(64) < share ? 1U : 0U) << output));
                }
            }
        }
    } else if (family == edge_family::threshold) {
        for (unsigned output = 0; output < pla_output_count; ++output) {
            std::array<int, 7> weights{};
            int total = 0;
            for (int& weight : weights) {
                weight = static_cast<int>(below(9)) - 4;
                total += weight < 0 ? -weight : weight;
            }
            const int threshold = static_cast<int>(below(static_cast<unsigned>(total) + 1)) - total / 2;
            for (std::size_t word = 0; word < words; ++word) {
                int sum = 0;
                for (std::size_t input = 0; input < weights.size(); ++input) {
                    sum += ((word >> input) & 1U) != 0 ? weights[input] : 0;
                }
                levels[word] |= static_cast<std::uint8_t>((sum >= threshold ? 1U : 0U) << output);
            }
        }
    } else {
        // On one random output: every word high at a share from 1 in 12 to 1 in 8, or
        // the OR of 60 to 99 random cubes of 6 or 7 literals.
        const unsigned output = below(8);
        if (below(2) == 0) {
            const unsigned share = 80 + below(50); // of 1000
            for (std::size_t word = 0; word < words; ++word) {
                levels[word] = static_cast<std::uint8_t>((below(1000) < share ? 1U : 0U) << output);
            }
        } else {
            const unsigned cubes = 60 + below(40);
            for (unsigned made_cubes = 0; made_cubes < cubes; ++made_cubes) {
                unsigned cube_care = 0;
                const unsigned literals = 6 + below(2);
                while (static_cast<unsigned>(std::popcount(cube_care)) < literals) {
                    cube_care |= 1U << below(9);
                }
                const unsigned cube_levels = static_cast<unsigned>(random()) & cube_care;
                for (std::size_t word = 0; word < words; ++word) {
                    if ((word & cube_care) == cube_levels) {
                        levels[word] = static_cast<std::uint8_t>(1U << output);
                    }
                }
            }
        }
    }
    edge_detail::spread(made, levels, care);
    return made;
}

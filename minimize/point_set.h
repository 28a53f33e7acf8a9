// Sets of the 65,536 input words, one bit each, and the cubes among them.
//
// Bit w % 64 of word w / 64 stands for input word w: inputs I0-I5 pick a bit within a
// word, I6-I15 pick the word.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t point_set_words = std::size_t{1} << 10;
using point_set = std::array<std::uint64_t, point_set_words>;

inline constexpr unsigned all_inputs = 0xFFFFU;
inline constexpr unsigned inputs_within_word = 6;

// The input words that agree with `levels` on every input of `care` (bit j for Ij), as
// in fit_term; `levels` has no bit outside `care`.
struct cube {
    unsigned care;
    unsigned levels;
};

namespace point_set_detail {

// Bit b of pattern j is bit j of b: the points of a word where input Ij is high.
inline constexpr std::array<std::uint64_t, inputs_within_word> high_within_word = {
    0xAAAAAAAAAAAAAAAAU, 0xCCCCCCCCCCCCCCCCU, 0xF0F0F0F0F0F0F0F0U,
    0xFF00FF00FF00FF00U, 0xFFFF0000FFFF0000U, 0xFFFFFFFF00000000U,
};

} // namespace point_set_detail

// The points the cube holds within any word it reaches: its literals on I0-I5.
constexpr std::uint64_t cube_word_mask(cube points) noexcept {
    std::uint64_t mask = ~std::uint64_t{0};
    for (unsigned input = 0; input < inputs_within_word; ++input) {
        if (((points.care >> input) & 1U) != 0) {
            const std::uint64_t high = point_set_detail::high_within_word[input];
            mask &= ((points.levels >> input) & 1U) != 0 ? high : ~high;
        }
    }
    return mask;
}

// How many words a cube of these inputs reaches.
constexpr std::size_t cube_words(unsigned care) noexcept {
    return std::size_t{1} << (10 - std::popcount((care & all_inputs) >> inputs_within_word));
}

// Calls visit(word index, mask of the cube's points in it) for each word the cube
// reaches, in ascending order, while visit returns true. Returns false if visit stopped it.
template <typename Visit>
constexpr bool for_each_cube_word(cube points, Visit&& visit) {
    const std::uint64_t mask = cube_word_mask(points);
    const unsigned fixed = points.levels >> inputs_within_word;
    const unsigned free = ~(points.care >> inputs_within_word) & (all_inputs >> inputs_within_word);
    unsigned subset = 0;
    do {
        if (!visit(static_cast<std::size_t>(fixed | subset), mask)) {
            return false;
        }
        subset = (subset - free) & free; // the next subset of the free inputs, ascending
    } while (subset != 0);
    return true;
}

constexpr bool cube_inside(const point_set& set, cube points) noexcept {
    return for_each_cube_word(points, [&](std::size_t word, std::uint64_t mask) { return (set[word] & mask) == mask; });
}

// The points of the cube that `set` holds.
constexpr std::size_t count_in_cube(const point_set& set, cube points) noexcept {
    std::size_t count = 0;
    for_each_cube_word(points, [&](std::size_t word, std::uint64_t mask) {
        count += static_cast<std::size_t>(std::popcount(set[word] & mask));
        return true;
    });
    return count;
}

constexpr void remove_cube(point_set& set, cube points) noexcept {
    for_each_cube_word(points, [&](std::size_t word, std::uint64_t mask) {
        set[word] &= ~mask;
        return true;
    });
}

constexpr std::size_t count_points(const point_set& set) noexcept {
    std::size_t count = 0;
    for (const std::uint64_t word : set) {
        count += static_cast<std::size_t>(std::popcount(word));
    }
    return count;
}

// The points of `set` none of whose 16 neighbours (one input changed) is in `near`.
point_set isolated_points(const point_set& set, const point_set& near) noexcept;

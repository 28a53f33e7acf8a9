// A set of the array's 65,536 input words, and cubes of them: what the design readers
// collect for each output (its ON, OFF and don't-care words) before the truth table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "pla/pla.h"

// The input words that agree with `levels` at the inputs set in `care` (bit j is Ij);
// `levels` has no bit outside `care`.
struct word_cube {
    std::uint16_t care;
    std::uint16_t levels;
};

// Whether some word is in both cubes, and the lowest such word.
inline bool cubes_meet(const word_cube& one, const word_cube& other) noexcept {
    return ((one.levels ^ other.levels) & one.care & other.care) == 0;
}
inline std::uint16_t lowest_common_word(const word_cube& one, const word_cube& other) noexcept {
    return static_cast<std::uint16_t>(one.levels | other.levels);
}

class word_set {
public:
    static constexpr std::size_t block_bits = 64;
    static constexpr std::size_t block_count = (std::size_t{1} << pla_input_count) / block_bits;

    [[nodiscard]] bool has(std::size_t word) const noexcept {
        return ((blocks_[word / block_bits] >> (word % block_bits)) & 1U) != 0;
    }

    void add(const word_cube& cube) noexcept {
        for_each_block(cube, [this](std::size_t block, std::uint64_t mask) { blocks_[block] |= mask; });
    }

    // Whether any word of `cube` is in the set.
    [[nodiscard]] bool meets(const word_cube& cube) const noexcept {
        bool found = false;
        for_each_block(cube, [this, &found](std::size_t block, std::uint64_t mask) {
            found = found || (blocks_[block] & mask) != 0;
        });
        return found;
    }

private:
    // Calls visit(block, mask) for each block of 64 words that holds words of `cube`, with
    // the mask of them: the low six inputs choose the bit, the other ten the block.
    template <typename visitor>
    static void for_each_block(const word_cube& cube, visitor visit) noexcept {
        constexpr unsigned low_inputs = 6;
        constexpr std::uint16_t low_mask = (1U << low_inputs) - 1U;
        std::uint64_t mask = 0;
        for (unsigned word = 0; word < block_bits; ++word) {
            if ((word & cube.care & low_mask) == (cube.levels & low_mask)) {
                mask |= std::uint64_t{1} << word;
            }
        }
        const auto high_care = static_cast<unsigned>(cube.care >> low_inputs);
        const auto high_levels = static_cast<unsigned>(cube.levels >> low_inputs);
        const unsigned free = ~high_care & static_cast<unsigned>(block_count - 1);
        // Every subset of the free high inputs, from none to all.
        unsigned subset = 0;
        do {
            visit(high_levels | subset, mask);
            subset = (subset - free) & free;
        } while (subset != 0);
    }

    std::array<std::uint64_t, block_count> blocks_{};
};

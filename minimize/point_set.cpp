#include "minimize/point_set.h"

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the points, then where their neighbours count
point_set isolated_points(const point_set& set, const point_set& near_set) noexcept {
    point_set neighboured{};
    for (std::size_t word = 0; word < point_set_words; ++word) {
        std::uint64_t near = 0;
        for (unsigned input = 0; input < inputs_within_word; ++input) {
            const std::uint64_t high = point_set_detail::high_within_word[input];
            const unsigned distance = 1U << input;
            near |= ((near_set[word] & high) >> distance) | ((near_set[word] & ~high) << distance);
        }
        for (unsigned input = inputs_within_word; input < 16; ++input) {
            near |= near_set[word ^ (std::size_t{1} << (input - inputs_within_word))];
        }
        neighboured[word] = set[word] & ~near;
    }
    return neighboured;
}

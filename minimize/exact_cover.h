// The exact side of the proof, for one choice of output polarities: the fewest terms that
// cover a set of needed pairs (input word, output). Every cover of the whole function covers
// those pairs, so that count bounds it from below; where the count is below the cover in
// hand, the terms found are grown to primes and the pairs they leave uncovered join the set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "minimize/cover.h"

struct needed_pair {
    std::uint16_t point;
    std::uint8_t output;

    friend bool operator==(const needed_pair&, const needed_pair&) = default;
};

struct exact_bound {
    // No cover of `function` has fewer terms (at most `target`).
    std::size_t bound;
    // A cover of `function` of `bound` terms (none at all, it may be), found below the
    // target; none otherwise.
    std::optional<cover> found;
    // The pairs covered by then: the rows to start from for a further look.
    std::vector<needed_pair> rows;
};

// The fewest terms a cover of `function` needs, as far as the effort shows, starting from
// `rows` (needed pairs of `function`) and `floor` (a count already known needed). Pairs the
// terms found leave uncovered join the rows, those of `spare` first. Stops once it reaches
// `target`, or finds a cover of the whole function of fewer terms.
exact_bound exact_cover_bound(const output_sets& function, std::vector<needed_pair> rows,
                              const std::vector<needed_pair>& spare, std::size_t floor, std::size_t target,
                              effort& budget);

// The fewest sets of `columns` (each a bit mask over `rows` rows) whose union holds every
// row, searched by branch and bound for a count of at most `most`: the sets chosen, or
// none (empty and `refuted` set) when no such choice exists; `refuted` clear where the
// effort ran out first.
struct cover_choice {
    std::vector<std::size_t> columns;
    bool refuted;
};
cover_choice smallest_cover(std::size_t rows, const std::vector<std::vector<std::uint64_t>>& columns, std::size_t most,
                            effort& budget);

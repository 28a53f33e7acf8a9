// The minimizer: a programming of the array (product terms and output polarities) that
// reproduces a truth table of all 65,536 input words, with as few terms as it can reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pla/pla.h"

inline constexpr std::size_t fit_table_size = std::size_t{1} << pla_input_count;

// A product term: for each bit j set in `care` it needs input Ij at bit j of `levels`
// (1 high; `levels` has no bit outside `care`), and it feeds output Fk for each bit k set
// in `outputs`.
struct fit_term {
    std::uint16_t care;
    std::uint16_t levels;
    std::uint8_t outputs;

    friend bool operator==(const fit_term&, const fit_term&) = default;
};

struct fit_result {
    // `terms` and `inverted_outputs` reproduce the table exactly with at most max_terms terms.
    bool found;
    // Bit k: Fk is the complement of the OR of its terms (its polarity fuse blown).
    std::uint8_t inverted_outputs;
    // The cover with the fewest terms reached, found or not: with `inverted_outputs` it
    // reproduces the table exactly, whatever its size.
    std::vector<fit_term> terms;
    // No programming of fewer terms exists, in any polarity (0 when nothing is proven).
    std::size_t lower_bound;
};

// Takes table[w] = the output byte (bit k the level of Fk) the array must drive for the
// input word w (bit j the level of Ij), and searches the output polarities and the terms.
// Its effort is bounded by a fixed count of steps, so that the same table always gives
// the same result, in at most a few seconds.
fit_result fit_truth_table(std::span<const std::uint8_t, fit_table_size> table, std::size_t max_terms = pla_term_count);

// The fuse map of a found programming: result.terms as P0 onwards (at most 48 of them),
// every fuse of the unused terms blown so that they feed nothing, the polarity fuses from
// result.inverted_outputs.
pla_fuses fit_fuses(const fit_result& result);

// The minimizer: a programming of the array (product terms and output polarities) that
// reproduces a truth table of all 65,536 input words, with as few terms as it can reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// The effort a fit spends when it is told nothing else, in steps of about one word of a
// point set (64 input words): at most about half a second on one core of a 2.6 GHz machine
// shared with other work.
inline constexpr std::uint64_t fit_default_effort = 300'000'000;

struct fit_options {
    // The terms the array has: a cover of more is not found, and fewer than max_terms + 1
    // proven needed makes the table impossible.
    std::size_t max_terms = pla_term_count;
    // Steps the search may spend: the same table and effort give the same result anywhere.
    std::uint64_t effort = fit_default_effort;
};

enum class fit_outcome : std::uint8_t {
    // `terms` (at most max_terms) are the fewest any programming needs, in any polarity:
    // lower_bound == terms.size().
    proven,
    // No proof either way: lower_bound < terms.size() (found or not); lower_bound <= max_terms.
    bounded,
    // No programming of at most max_terms terms exists, in any polarity: lower_bound > max_terms.
    impossible,
};

struct fit_result {
    // `terms` and `inverted_outputs` reproduce the table with at most max_terms terms.
    bool found;
    // Bit k: Fk is the complement of the OR of its terms (its polarity fuse blown).
    std::uint8_t inverted_outputs;
    // The cover with the fewest terms reached: with `inverted_outputs` it drives every level
    // the table cares about, whatever its size. Empty when the search proved the table
    // impossible before covering it.
    std::vector<fit_term> terms;
    // No programming of fewer terms exists, in any polarity, that drives every level the
    // table cares about (0 when nothing is proven).
    std::size_t lower_bound;
    fit_outcome outcome;
    // An output that alone, in either polarity, needs more than max_terms terms (impossible
    // outcome only), and how many it needs at least.
    std::optional<unsigned> alone_output;
    std::size_t alone_bound;
};

// Takes table[w] = the output byte (bit k the level of Fk) the array must drive for the
// input word w (bit j the level of Ij), and care[w]: bit k set where that level of Fk
// matters; where it is clear, a term may cover the word or not. Searches the output
// polarities and the terms, and proves what it can about the fewest terms. Deterministic:
// its effort is counted in steps, not time.
fit_result fit_design(std::span<const std::uint8_t, fit_table_size> table,
                      std::span<const std::uint8_t, fit_table_size> care, const fit_options& options);

// fit_design with every level cared about.
fit_result fit_truth_table(std::span<const std::uint8_t, fit_table_size> table, std::size_t max_terms = pla_term_count);

// The fuse map of a found programming: result.terms as P0 onwards (at most 48 of them),
// every fuse of the unused terms blown so that they feed nothing, the polarity fuses from
// result.inverted_outputs.
pla_fuses fit_fuses(const fit_result& result);

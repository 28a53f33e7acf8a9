// The proof side of the fit: how many terms every programming needs, over all 256 choices
// of output polarities at once.
//
// A needed point of an output is a pair (input word, output). Two pairs can share a term
// only when the smallest cube holding both words is an implicant of both outputs; a set of
// pairs no two of which can share one needs a term each, whatever else the cover holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "minimize/cover.h"
#include "minimize/exact_cover.h"

// The function in both phases: [output][0] plain, [output][1] inverted.
struct phase_sets {
    std::array<std::array<point_set, 2>, pla_output_count> on;
    std::array<std::array<point_set, 2>, pla_output_count> need;
};

// For each output and phase, the terms of its own cover (covering it alone).
using phase_terms = std::array<std::array<std::size_t, 2>, pla_output_count>;

// For each output and phase, the input words to build independent pairs from, likeliest first.
using phase_candidates = std::array<std::array<std::vector<std::uint16_t>, 2>, pla_output_count>;

// For each output, of its needed points (in the phase `function` has it), those each term
// of `terms` feeding it covers alone: at most `per_term` of a term, fewest neighbours first.
std::array<std::vector<std::uint16_t>, pla_output_count>
distinguished_points(const cover& terms, const output_sets& function, std::size_t per_term, effort& budget);

// What the search over the polarities proves, and a cover it found on the way.
struct polarity_proof {
    // Every programming of every polarity needs this many terms.
    std::size_t bound = 0;
    // A cover of fewer than `target` terms, of the function with the outputs of `inverted`
    // inverted, found where a polarity's exact bound fell below the target (no term at
    // all, it may be); none otherwise.
    std::optional<cover> better;
    std::uint8_t inverted = 0;
};

// A number of terms that every programming of every polarity needs. The search over the
// polarities stops in a group of them once its bound reaches `target`, so the result is
// at least `target` exactly when every polarity needs that many; where the effort runs
// out, the groups left keep the bound of what was decided. A single polarity whose pairs
// no two of which share a term fall short of the target is covered exactly
// (exact_cover_bound); a cover it finds below the target lowers the target.
// The outputs of `plain_outputs` are taken plain only: their phase is no choice.
// `own_terms` guides the exact cover to the likeliest polarities first.
polarity_proof polarity_bound(const phase_sets& sets, const phase_candidates& candidates, const phase_terms& own_terms,
                              std::size_t target, unsigned plain_outputs, effort& budget);

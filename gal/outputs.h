// Each output of the 82S100 for the GAL pair: its fewest terms at its better polarity, from
// the minimizer's search of that output alone, within the terms and inputs its chip gives
// it; and what plakit gal says of them. No I/O.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gal/plan.h"
#include "minimize/minimize.h"

// One output's function: bit `output` of table[w] is its level at input word w (bit j is
// Ij), where bit `output` of care[w] is set; free elsewhere. Both hold 65,536 entries.
struct gal_function {
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
    unsigned output;
};

// The inputs the function depends on where it cares: bit j, some two words that differ in
// Ij alone are both cared for and at different levels.
std::uint16_t gal_inputs_read(const gal_function& function);

// What the search says of an output.
struct gal_output_fit {
    enum class outcome : std::uint8_t {
        found,      // `logic` drives it within the room
        depends,    // it depends on `input` where it cares, which its chip lacks
        impossible, // it needs at least `lower_bound` terms, more than the room, at either polarity
        not_found,  // no cover within the room found, none proven impossible
    };
    outcome result = outcome::not_found;
    gal_output_logic logic;
    std::uint16_t inputs = 0; // those the terms read
    bool proven = false;      // no cover of fewer terms exists, at either polarity
    std::size_t lower_bound = 0;
    unsigned input = 0;
};

// Where an output's terms may go: how many its cells hold, the inputs (bit j: Ij) its chip
// carries, and the steps its search may take (as fit_options counts them).
struct gal_output_room {
    std::size_t terms;
    std::uint16_t inputs;
    std::uint64_t effort;
};

// Searches the fewest terms of `function` within `room`. An input the chip lacks that the
// function does not depend on where it cares is folded away before the search, each word
// taking the level of the word that differs in that input alone where only one is cared for.
gal_output_fit gal_fit_output(gal_function function, const gal_output_room& room);

// The comment lines of the board file about the outputs placed as `plan` says: each one's
// terms, polarity, pin and spills, whether the counts are proven, how the outputs are enabled.
std::string gal_output_notes(const gal_plan& plan, const std::array<gal_output_fit, gal_socket_outputs>& fits,
                             bool ce_tied);

// The line plakit gal prints once it has written the files: the counts of F0-F7, whether
// each is the fewest possible, and the outputs spilled, one gate slower.
std::string gal_output_summary(const gal_plan& plan, const std::array<gal_output_fit, gal_socket_outputs>& fits);

// The 82S100's outputs placed on the GAL pair: each output's cell, the spare cells that hold
// the terms its cell cannot (read back into its cell: one gate slower), and the chips'
// logic from the terms. No I/O; what cannot be placed is said in one line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gal/board.h"
#include "gal/gal22v10.h"

// A product of the socket's inputs: for each bit j of `care` it needs Ij at bit j of
// `levels` (1 high).
struct gal_input_term {
    std::uint16_t care;
    std::uint16_t levels;
};

// An output's logic: the sum of its terms, inverted unless active high.
struct gal_output_logic {
    bool active_high = true;
    std::vector<gal_input_term> terms;
};

using gal_output_terms = std::array<std::size_t, gal_socket_outputs>;

// The board and, for each output, the pins of the spare cells (on its chip, left
// unconnected) that hold the terms its own cell cannot, in the order they fill.
struct gal_plan {
    gal_board board;
    std::array<std::vector<unsigned>, gal_socket_outputs> spares;
};

// The most terms `output` can have on `board`: its cell's, and those of every cell its chip
// leaves unconnected, less one each for reading that cell's pin back.
std::size_t gal_room(const gal_board& board, unsigned output);

// The most terms one output can have on a chip that carries `inputs` signals (the socket's
// inputs and /CE it needs): the largest cell and the rest of those the inputs leave free.
std::size_t gal_most_room(unsigned inputs);

// Places the spills of the outputs on `board` (terms[k] for Fk), as few outputs spilled as
// can be, into `plan`; or says why no placement holds them all.
std::optional<std::string> gal_place_spills(const gal_board& board, const gal_output_terms& terms, gal_plan& plan);

// A board chosen for these outputs (inputs[k]: bit j set, Fk's terms read Ij): each chip
// carries the inputs of its outputs and, unless /CE is tied, CE; as few outputs spilled as
// can be, then as even a share of the outputs, F0-F3 on chip 1 where that is as good.
// Or why no two chips hold them.
std::optional<std::string> gal_choose_board(const gal_output_terms& terms,
                                            const std::array<std::uint16_t, gal_socket_outputs>& inputs, bool ce_tied,
                                            gal_plan& plan);

// The cells of `chip` for the outputs' logic placed as `plan` says: each output's cell
// enabled while CE is low (always when /CE is tied), its spills' cells always, reading only
// pins that carry inputs; every other cell never enabled. Each output's terms fit its room.
gal_chip_logic gal_chip_logic_of(const gal_plan& plan, std::size_t chip,
                                 const std::array<gal_output_logic, gal_socket_outputs>& outputs, bool ce_tied);

// The board file of `plan`, with `notes` (lines of comments, each ended).
std::string write_gal_plan_board(const gal_plan& plan, std::string_view notes);

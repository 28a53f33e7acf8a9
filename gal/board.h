// The board of the GAL pair: which pin of which GAL22V10 carries which signal of the
// 82S100's socket, as data. A board file has one line per pin wired (`1.19 F0`: pin 19 of
// chip 1 carries F0), read with its places and written back; a pin it does not name is
// left unconnected. Knows the board, nothing of files or commands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gal/gal22v10.h"

// The socket's signals: its inputs I0-I15 (0-15), its outputs F0-F7 (16-23) and /CE.
inline constexpr std::uint8_t gal_signal_none = 0xFF;
inline constexpr std::uint8_t gal_signal_ce = 24;
inline constexpr unsigned gal_socket_inputs = 16;
inline constexpr unsigned gal_socket_outputs = 8;

constexpr std::uint8_t gal_output_signal(unsigned output) noexcept {
    return static_cast<std::uint8_t>(gal_socket_inputs + output);
}
constexpr bool gal_is_output_signal(std::uint8_t signal) noexcept {
    return signal >= gal_socket_inputs && signal < gal_socket_inputs + gal_socket_outputs;
}

// I3, F0, CE.
std::string gal_signal_name(std::uint8_t signal);

inline constexpr std::size_t gal_chip_count = 2;

// One chip's pins: [pin] the signal on DIP pin `pin` (1-24), or gal_signal_none for a pin
// left unconnected (the power pins are always that); [0] unused.
using gal_chip_pins = std::array<std::uint8_t, gal_pin_count + 1>;

// pins[chip]: chip 1's pins, then chip 2's.
struct gal_board {
    std::array<gal_chip_pins, gal_chip_count> pins{};
};

// The pin that carries `signal`, or 0.
unsigned gal_pin_of(const gal_chip_pins& pins, std::uint8_t signal) noexcept;

// The chip an output is on, or gal_chip_count when none carries it.
std::size_t gal_chip_of_output(const gal_board& board, unsigned output) noexcept;

// Bit j set: `chip` carries Ij.
std::uint16_t gal_inputs_of(const gal_board& board, std::size_t chip) noexcept;

// The built-in board: on both chips every input (I0-I10 on pins 1-11, I11-I14 on 13-16,
// I15 on 22) and CE (23); F0-F3 on chip 1's and F4-F7 on chip 2's largest cells (19, 18,
// 20, 17); pin 21, a cell of 12 terms, left unconnected on each for spills.
gal_board gal_built_in_board() noexcept;

// Where a line or a fault is in a file, from 1 (the column in bytes); line 0 for none.
struct gal_board_place {
    std::size_t line = 0;
    std::size_t column = 0;
};
// The place of the line that named each pin of each chip.
using gal_board_places = std::array<std::array<gal_board_place, gal_pin_count + 1>, gal_chip_count>;

struct gal_board_error {
    gal_board_place place;
    std::string message;
};

// Reads `text`, a whole board file, into `board` and `places`: each pin named once, no power
// pin, an output only on a pin with a cell, a signal at most once on a chip, each output on
// exactly one chip, and CE on each chip that drives an output unless /CE is `ce_tied`.
// Returns the first fault found, and then leaves `board` unspecified.
std::optional<gal_board_error> read_gal_board(std::string_view text, bool ce_tied, gal_board& board,
                                              gal_board_places& places);

// The pins left unconnected that a spill uses: spill[chip][pin] is the output whose terms
// the cell holds, or gal_signal_none.
using gal_spill_pins = std::array<std::array<std::uint8_t, gal_pin_count + 1>, gal_chip_count>;

// The file for `board`: a heading of comments that says how to read it and shows both chips
// as a table (with the spills), `notes` (lines of comments, each ended), then one line per
// pin wired, chip 1 first.
std::string write_gal_board(const gal_board& board, const gal_spill_pins& spills, std::string_view notes);

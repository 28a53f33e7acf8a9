// The GAL22V10: its pins, its ten output cells and their product terms, and its JEDEC fuse
// map (5,892 fuses), written from what each cell is to do. Knows the device, nothing of the
// 82S100, of files or of commands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// DIP-24: pin 12 is ground, pin 24 the supply; pins 1-11 and 13 are inputs only; pins
// 14-23 each have an output cell, and the array reads the pin back as an input.
inline constexpr unsigned gal_pin_count = 24;
inline constexpr unsigned gal_ground_pin = 12;
inline constexpr unsigned gal_supply_pin = 24;
inline constexpr unsigned gal_first_cell_pin = 14;
inline constexpr unsigned gal_last_cell_pin = 23;

constexpr bool gal_is_power_pin(unsigned pin) noexcept {
    return pin == gal_ground_pin || pin == gal_supply_pin;
}

constexpr bool gal_pin_has_cell(unsigned pin) noexcept {
    return pin >= gal_first_cell_pin && pin <= gal_last_cell_pin;
}

// The output cells in the fuse map's order, pin 23 first, with their product terms. Cells
// share no terms; each has one row more, its output enable.
struct gal_cell_facts {
    unsigned pin;
    unsigned terms;
};
inline constexpr std::size_t gal_cell_count = 10;
inline constexpr std::array<gal_cell_facts, gal_cell_count> gal_cells = {{
    {23, 8},
    {22, 10},
    {21, 12},
    {20, 14},
    {19, 16},
    {18, 16},
    {17, 14},
    {16, 12},
    {15, 10},
    {14, 8},
}};

// The cell of a pin that has one (gal_pin_has_cell), as an index into gal_cells.
constexpr std::size_t gal_cell_of_pin(unsigned pin) noexcept {
    return gal_last_cell_pin - pin;
}

// The array's columns: one pair for each of these pins, in this order, its true column
// first and then its complement.
inline constexpr std::size_t gal_input_pin_count = 22;
inline constexpr std::array<unsigned, gal_input_pin_count> gal_column_pins = {
    1, 23, 2, 22, 3, 21, 4, 20, 5, 19, 6, 18, 7, 17, 8, 16, 9, 15, 10, 14, 11, 13,
};

// The fuse map: the AND array, row by row (fuse = row * 44 + column); then S0 and S1 of each
// cell, pin 23's first; then the user signature. In the array a 0 keeps the column in the
// row's product: a row with every fuse 0 is always false, one with none always true.
inline constexpr std::size_t gal_row_fuses = 2 * gal_input_pin_count;
// Row 0 is the asynchronous reset, the last row the synchronous preset; between them, for
// each cell in gal_cells' order, its output enable row and then its term rows.
inline constexpr std::size_t gal_row_count = 132;
inline constexpr std::size_t gal_mode_fuses_offset = gal_row_count * gal_row_fuses;
inline constexpr std::size_t gal_signature_offset = gal_mode_fuses_offset + 2 * gal_cell_count;
inline constexpr std::size_t gal_signature_fuses = 64;
inline constexpr std::size_t gal_fuse_count = gal_signature_offset + gal_signature_fuses;

// A cell's output enable row; its term rows follow it.
constexpr std::size_t gal_enable_row(std::size_t cell) noexcept {
    std::size_t row = 1;
    for (std::size_t before = 0; before < cell; ++before) {
        row += 1 + gal_cells[before].terms;
    }
    return row;
}

// S0 = 1: the sum drives the pin as it is (active high); 0: inverted. S1 = 1: combinatorial,
// the array reading the pin itself back.
constexpr std::size_t gal_s0_fuse(std::size_t cell) noexcept {
    return gal_mode_fuses_offset + 2 * cell;
}
constexpr std::size_t gal_s1_fuse(std::size_t cell) noexcept {
    return gal_s0_fuse(cell) + 1;
}

static_assert(gal_enable_row(gal_cell_count) + 1 == gal_row_count, "the cells' rows end just before the preset row");
static_assert(gal_fuse_count == 5892);

// A product of pin levels: bit p of `high` set, it needs DIP pin p high; of `low`, low. No
// bit set: always true.
struct gal_product {
    std::uint32_t high = 0;
    std::uint32_t low = 0;
};

// What one output cell does. A cell that is not driven never enables its pin: the pin is an
// input, or left unconnected. A driven one drives its pin while `enable` is true, with the
// sum of `terms` (at most the cell's count), inverted unless `active_high`.
struct gal_cell_logic {
    bool driven = false;
    gal_product enable;
    bool active_high = true;
    std::vector<gal_product> terms;
};

// The cells of one chip, in gal_cells' order.
using gal_chip_logic = std::array<gal_cell_logic, gal_cell_count>;

// 1 a blown fuse, 0 an intact one, as a JEDEC file has them.
using gal_fuses = std::array<std::uint8_t, gal_fuse_count>;

// The fuse map of a chip: every cell combinatorial; the reset, the preset and every row no
// cell uses always false; the signature all zero. A product of pins without a column (the
// power pins) is not the caller's to give.
gal_fuses gal_fuse_map(const gal_chip_logic& chip);

// The JEDEC file of a fuse map: STX, `title` and `program` in the header (neither holding a
// '*'), QP24, QF5892, G0 (no security fuse), F0, one L field for each row of the array, one
// for S0 and S1 and one for the signature, the fuse checksum C, ETX and the transmission
// checksum, with CR LF line ends.
std::string write_gal_jedec(const gal_fuses& fuses, std::string_view title, std::string_view program);

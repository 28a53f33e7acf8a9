#include "gal/gal22v10.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "jedec/jedec.h"

namespace {

// The column pair of each pin, or none for the pins the array does not read.
constexpr std::size_t no_pair = gal_input_pin_count;
constexpr std::array<std::size_t, gal_pin_count + 1> pair_of_pin = [] {
    std::array<std::size_t, gal_pin_count + 1> pairs{};
    pairs.fill(no_pair);
    for (std::size_t pair = 0; pair < gal_input_pin_count; ++pair) {
        pairs[gal_column_pins[pair]] = pair;
    }
    return pairs;
}();
static_assert(pair_of_pin[1] == 0 && pair_of_pin[13] == gal_input_pin_count - 1);
static_assert(pair_of_pin[gal_ground_pin] == no_pair && pair_of_pin[gal_supply_pin] == no_pair);

// Writes `product` into `row`, which is always false until then.
void write_row(gal_fuses& fuses, std::size_t row, const gal_product& product) {
    const auto fuses_of_row = std::span{fuses}.subspan(row * gal_row_fuses, gal_row_fuses);
    std::fill(fuses_of_row.begin(), fuses_of_row.end(), std::uint8_t{1});
    for (unsigned pin = 1; pin < pair_of_pin.size(); ++pin) {
        const std::size_t pair = pair_of_pin[pin];
        if (((product.high >> pin) & 1U) != 0 && pair != no_pair) {
            fuses_of_row[2 * pair] = 0;
        }
        if (((product.low >> pin) & 1U) != 0 && pair != no_pair) {
            fuses_of_row[2 * pair + 1] = 0;
        }
    }
}

std::string hex4(unsigned value) {
    std::array<char, 8> text{};
    (void)std::snprintf(text.data(), text.size(), "%04X", value & 0xFFFFU); // cannot be cut short
    return text.data();
}

} // namespace

gal_fuses gal_fuse_map(const gal_chip_logic& chip) {
    gal_fuses fuses{};
    for (std::size_t cell = 0; cell < gal_cell_count; ++cell) {
        const gal_cell_logic& logic = chip[cell];
        fuses[gal_s0_fuse(cell)] = logic.active_high ? 1 : 0;
        fuses[gal_s1_fuse(cell)] = 1;
        if (!logic.driven) {
            continue;
        }
        const std::size_t enable_row = gal_enable_row(cell);
        write_row(fuses, enable_row, logic.enable);
        const std::size_t count = std::min<std::size_t>(logic.terms.size(), gal_cells[cell].terms);
        for (std::size_t term = 0; term < count; ++term) {
            write_row(fuses, enable_row + 1 + term, logic.terms[term]);
        }
    }
    return fuses;
}

std::string write_gal_jedec(const gal_fuses& fuses, std::string_view title, std::string_view program) {
    std::string text{"\x02"};
    text.append("GAL22V10 fuse map, ").append(title).append(", written by ").append(program);
    text += "*\r\nQP24*\r\nQF5892*\r\nG0*\r\nF0*\r\n";
    const auto fuse_list = [&](std::size_t first, std::size_t count) {
        std::array<char, 8> number{};
        (void)std::snprintf(number.data(), number.size(), "L%05zu ", first); // cannot be cut short
        text += number.data();
        for (std::size_t fuse = first; fuse < first + count; ++fuse) {
            text += fuses[fuse] != 0 ? '1' : '0';
        }
        text += "*\r\n";
    };
    for (std::size_t row = 0; row < gal_row_count; ++row) {
        fuse_list(row * gal_row_fuses, gal_row_fuses);
    }
    fuse_list(gal_mode_fuses_offset, 2 * gal_cell_count);
    fuse_list(gal_signature_offset, gal_signature_fuses);
    text += "C" + hex4(jedec_fuse_checksum(std::span<const std::uint8_t>{fuses})) + "*\r\n\x03";
    text += hex4(jedec_transmission_checksum(text)) + "\r\n";
    return text;
}

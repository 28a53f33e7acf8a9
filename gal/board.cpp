#include "gal/board.h"

#include <algorithm>
#include <numeric>

#include "text/text_lines.h"

namespace {

// The pins the built-in board wires alike on both chips, and the cells its outputs take.
struct pin_signal {
    unsigned pin;
    std::uint8_t signal;
};
constexpr std::array<pin_signal, 17> built_in_inputs = {{
    {1, 0},
    {2, 1},
    {3, 2},
    {4, 3},
    {5, 4},
    {6, 5},
    {7, 6},
    {8, 7},
    {9, 8},
    {10, 9},
    {11, 10},
    {13, 11},
    {14, 12},
    {15, 13},
    {16, 14},
    {22, 15},
    {23, gal_signal_ce},
}};
// F0 (chip 1) and F4 (chip 2) first, on the cells of 16, 16, 14 and 14 terms.
constexpr std::array<unsigned, 4> built_in_output_pins = {19, 18, 20, 17};

// A decimal number without leading zeros, or none.
std::optional<unsigned> number_of(std::string_view digits) {
    if (digits.empty() || digits.size() > 2 || (digits[0] == '0' && digits.size() > 1)) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(digit - '0');
    }
    return number;
}

std::optional<std::uint8_t> signal_named(std::string_view word) {
    if (word == "CE") {
        return gal_signal_ce;
    }
    if (word.size() < 2 || (word[0] != 'I' && word[0] != 'F')) {
        return std::nullopt;
    }
    const auto number = number_of(word.substr(1));
    const unsigned count = word[0] == 'I' ? gal_socket_inputs : gal_socket_outputs;
    if (!number || *number >= count) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(word[0] == 'I' ? *number : gal_output_signal(*number));
}

std::string pin_name(std::size_t chip, unsigned pin) {
    return std::to_string(chip + 1) + "." + std::to_string(pin);
}

class board_reader {
public:
    board_reader(gal_board& board, gal_board_places& places) : board_(board), places_(places) {
        for (auto& pins : board_.pins) {
            pins.fill(gal_signal_none);
        }
        places_ = {};
    }

    std::optional<gal_board_error> read_line(std::string_view line, std::size_t number);
    [[nodiscard]] std::optional<gal_board_error> check_whole(bool ce_tied, gal_board_place end) const;

private:
    gal_board& board_;
    gal_board_places& places_;
    // Where each signal was named on each chip; line 0 while it is not.
    std::array<std::array<gal_board_place, gal_signal_ce + 1>, gal_chip_count> signal_places_{};
};

std::optional<gal_board_error> board_reader::read_line(std::string_view line, std::size_t number) {
    const auto words = words_of(line.substr(0, line.find('#')));
    if (words.empty()) {
        return std::nullopt;
    }
    const auto fault = [number](std::size_t column, std::string message) {
        return gal_board_error{{number, column}, std::move(message)};
    };
    const text_word& where = words[0];
    const std::size_t dot = where.text.find('.');
    const auto chip = number_of(where.text.substr(0, dot));
    const auto pin = dot == std::string_view::npos ? std::nullopt : number_of(where.text.substr(dot + 1));
    if (!chip || !pin || *chip < 1 || *chip > gal_chip_count || *pin < 1 || *pin > gal_pin_count) {
        return fault(where.column,
                     quoted_text(where.text) + " is not a GAL pin (CHIP.PIN: chip 1 or 2, pin 1-24, as 1.19)");
    }
    const std::size_t index = *chip - 1;
    if (gal_is_power_pin(*pin)) {
        return fault(where.column, std::string{where.text} + " is the " +
                                       (*pin == gal_ground_pin ? "ground" : "supply") + " pin: it carries no signal");
    }
    if (const gal_board_place first = places_[index][*pin]; first.line != 0) {
        return fault(where.column,
                     std::string{where.text} + " is named twice (first on line " + std::to_string(first.line) + ")");
    }
    if (words.size() == 1) {
        return fault(where.column + where.text.size(),
                     std::string{where.text} + " has no signal: expected I0-I15, F0-F7 or CE");
    }
    const text_word& named = words[1];
    const auto signal = signal_named(named.text);
    if (!signal) {
        return fault(named.column, quoted_text(named.text) + " is not a signal of the socket (I0-I15, F0-F7 or CE)");
    }
    if (gal_is_output_signal(*signal) && !gal_pin_has_cell(*pin)) {
        return fault(named.column, std::string{named.text} + " on " + std::string{where.text} + ": pin " +
                                       std::to_string(*pin) + " has no output cell (pins 14-23 have one)");
    }
    if (const gal_board_place first = signal_places_[index][*signal]; first.line != 0) {
        return fault(named.column, std::string{named.text} + " is on chip " + std::to_string(*chip) +
                                       " twice (first on line " + std::to_string(first.line) + ")");
    }
    if (gal_is_output_signal(*signal)) {
        if (const gal_board_place other = signal_places_[1 - index][*signal]; other.line != 0) {
            return fault(named.column, std::string{named.text} + " is on both chips (first on line " +
                                           std::to_string(other.line) + "): two chips would drive it");
        }
    }
    if (words.size() > 2) {
        return fault(words[2].column, quoted_text(words[2].text) + " after the signal: one pin and one signal a line");
    }
    board_.pins[index][*pin] = *signal;
    places_[index][*pin] = {number, where.column};
    signal_places_[index][*signal] = {number, named.column};
    return std::nullopt;
}

std::optional<gal_board_error> board_reader::check_whole(bool ce_tied, gal_board_place end) const {
    for (unsigned output = 0; output < gal_socket_outputs; ++output) {
        if (gal_chip_of_output(board_, output) == gal_chip_count) {
            return gal_board_error{end, "F" + std::to_string(output) + " is on no chip: each of F0-F7 needs a pin"};
        }
    }
    if (ce_tied) {
        return std::nullopt;
    }
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        if (signal_places_[chip][gal_signal_ce].line != 0) {
            continue;
        }
        // The first output line of the chip: there the enable is missed.
        const auto& signals = signal_places_[chip];
        for (unsigned output = 0; output < gal_socket_outputs; ++output) {
            if (signals[gal_output_signal(output)].line != 0) {
                const gal_board_place place = places_[chip][gal_pin_of(board_.pins[chip], gal_output_signal(output))];
                return gal_board_error{place, "chip " + std::to_string(chip + 1) + " drives F" +
                                                  std::to_string(output) +
                                                  " but has no CE pin: /CE enables its outputs (or --ce tied)"};
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::string gal_signal_name(std::uint8_t signal) {
    if (signal == gal_signal_ce) {
        return "CE";
    }
    return gal_is_output_signal(signal) ? "F" + std::to_string(signal - gal_socket_inputs)
                                        : "I" + std::to_string(signal);
}

unsigned gal_pin_of(const gal_chip_pins& pins, std::uint8_t signal) noexcept {
    const auto* found = std::find(pins.begin() + 1, pins.end(), signal);
    return found == pins.end() ? 0 : static_cast<unsigned>(found - pins.begin());
}

std::size_t gal_chip_of_output(const gal_board& board, unsigned output) noexcept {
    std::size_t chip = 0;
    while (chip < gal_chip_count && gal_pin_of(board.pins[chip], gal_output_signal(output)) == 0) {
        ++chip;
    }
    return chip;
}

std::uint16_t gal_inputs_of(const gal_board& board, std::size_t chip) noexcept {
    const auto& pins = board.pins[chip];
    return static_cast<std::uint16_t>(
        std::accumulate(pins.begin(), pins.end(), 0U, [](unsigned inputs, std::uint8_t signal) {
            return signal < gal_socket_inputs ? inputs | 1U << signal : inputs;
        }));
}

gal_board gal_built_in_board() noexcept {
    gal_board board;
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        board.pins[chip].fill(gal_signal_none);
        for (const pin_signal& wired : built_in_inputs) {
            board.pins[chip][wired.pin] = wired.signal;
        }
        for (unsigned output = 0; output < built_in_output_pins.size(); ++output) {
            board.pins[chip][built_in_output_pins[output]] =
                gal_output_signal(static_cast<unsigned>(chip * built_in_output_pins.size()) + output);
        }
    }
    return board;
}

std::optional<gal_board_error> read_gal_board(std::string_view text, bool ce_tied, gal_board& board,
                                              gal_board_places& places) {
    if (is_utf16_text(text)) {
        return gal_board_error{{1, 1}, std::string{utf16_text_message}};
    }
    board_reader reader(board, places);
    text_lines lines{without_utf8_bom(text)};
    std::string_view line;
    gal_board_place end{1, 1};
    while (lines.read(line)) {
        end = lines.ended() ? gal_board_place{lines.number() + 1, 1} : gal_board_place{lines.number(), line.size() + 1};
        if (auto error = reader.read_line(line, lines.number())) {
            return error;
        }
    }
    return reader.check_whole(ce_tied, end);
}

std::string write_gal_board(const gal_board& board, const gal_spill_pins& spills, std::string_view notes) {
    std::string text =
        "# The board of the GAL pair, one line per GAL22V10 pin wired to the 82S100's socket:\n"
        "#   C.P S   pin P (DIP) of chip C (1 or 2) carries the socket's signal S: I0-I15, F0-F7\n"
        "#           or CE, its /CE\n"
        "# A pin not named is left unconnected; pins 12 (GND) and 24 (VCC) of both chips go to\n"
        "# the socket's ground and supply. # starts a comment.\n"
        "#\n"
        "# | pin | chip 1 | chip 2 |\n"
        "# |---|---|---|\n";
    for (unsigned pin = 1; pin <= gal_pin_count; ++pin) {
        text += "# | " + std::to_string(pin) + " |";
        for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
            const std::uint8_t signal = board.pins[chip][pin];
            if (pin == gal_ground_pin || pin == gal_supply_pin) {
                text += pin == gal_ground_pin ? " GND |" : " VCC |";
            } else if (signal != gal_signal_none) {
                text += " " + gal_signal_name(signal) + " |";
            } else if (spills[chip][pin] != gal_signal_none) {
                text += " (unconnected: " + gal_signal_name(spills[chip][pin]) + "'s spill) |";
            } else {
                text += " - |";
            }
        }
        text += "\n";
    }
    text += "#\n";
    text += notes;
    text += "\n";
    for (std::size_t chip = 0; chip < gal_chip_count; ++chip) {
        for (unsigned pin = 1; pin <= gal_pin_count; ++pin) {
            if (board.pins[chip][pin] != gal_signal_none) {
                text += pin_name(chip, pin) + " " + gal_signal_name(board.pins[chip][pin]) + "\n";
            }
        }
    }
    return text;
}

// The GAL pair as the tests see it, apart from plakit's own tables: each chip as equations
// over its pins (from jedutil's printout, or from a fuse map read as the GAL22V10's data
// sheet lays it out), the board file read afresh, and the pair evaluated over all 65,536
// input words and both levels of /CE, 64 words at a time.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace gal_check {

// A product of pin levels: bit p of `high` needs pin p high, of `low` low.
struct product {
    std::uint32_t high = 0;
    std::uint32_t low = 0;
};

// A cell that drives its pin: while the OR of `enable` is true, with the OR of `sum`,
// inverted when `active_low`. A pin without one is never driven.
struct cell {
    bool drives = false;
    bool active_low = false;
    std::vector<product> sum;
    std::vector<product> enable;
};

using chip = std::array<cell, 25>; // by DIP pin

// The GAL22V10's fuse map (5,892 fuses, 0 intact) as equations: 44 columns a row, a pair per
// pin in this order, true then complement; rows: reset, then for pins 23 down to 14 an
// enable row and 8, 10, 12, 14, 16, 16, 14, 12, 10, 8 term rows, then preset; from fuse 5808
// S0 (1: active high) and S1 (1: combinatorial) of each cell, pin 23's first.
inline std::optional<std::string> chip_of_fuses(const std::vector<std::uint8_t>& fuses, chip& read) {
    static constexpr std::array<unsigned, 22> columns = {1,  23, 2,  22, 3,  21, 4,  20, 5,  19, 6,
                                                         18, 7,  17, 8,  16, 9,  15, 10, 14, 11, 13};
    static constexpr std::array<unsigned, 10> terms = {8, 10, 12, 14, 16, 16, 14, 12, 10, 8};
    if (fuses.size() != 5892) {
        return "not 5892 fuses";
    }
    const auto row_product = [&](std::size_t row) {
        product result;
        for (std::size_t column = 0; column < 44; ++column) {
            if (fuses[row * 44 + column] == 0) {
                (column % 2 == 0 ? result.high : result.low) |= 1U << columns[column / 2];
            }
        }
        return result;
    };
    read = {};
    std::size_t row = 1;
    for (std::size_t index = 0; index < terms.size(); ++index) {
        cell& pin = read[23 - index];
        if (fuses[5808 + 2 * index + 1] != 1) {
            return "pin " + std::to_string(23 - index) + " is registered";
        }
        pin.drives = true;
        pin.active_low = fuses[5808 + 2 * index] == 0;
        pin.enable = {row_product(row)};
        for (std::size_t term = 1; term <= terms[index]; ++term) {
            pin.sum.push_back(row_product(row + term));
        }
        row += terms[index] + 1;
    }
    return std::nullopt;
}

// Reads one product of jedutil's printout: `vcc`, or literals `i3`, `/o21` joined by `&`.
inline bool parse_product(const std::string& text, product& read) {
    std::istringstream words(text);
    std::string word;
    read = {};
    bool first = true;
    while (words >> word) {
        if (!first && (word != "&" || !(words >> word))) {
            return false;
        }
        first = false;
        if (word == "vcc") {
            continue;
        }
        const bool low = word.front() == '/';
        const std::string name = word.substr(low ? 1 : 0);
        if (name.size() < 2 || (name[0] != 'i' && name[0] != 'o')) {
            return false;
        }
        const unsigned pin = static_cast<unsigned>(std::stoul(name.substr(1)));
        if (pin < 1 || pin > 23 || pin == 12) {
            return false;
        }
        (low ? read.low : read.high) |= 1U << pin;
    }
    return true;
}

// jedutil -view FILE GAL22V10's printout as equations: the cells listed under Outputs
// (combinatorial only), `[/]oNN = ...` (terms joined by ` +` at line ends) and `oNN.oe = ...`.
inline std::optional<std::string> chip_of_jedutil(const std::string& printout, chip& read) {
    read = {};
    std::istringstream lines(printout);
    std::string line;
    std::string section;
    std::vector<product>* sum = nullptr; // the sum a line ending in + goes on into
    while (std::getline(lines, line)) {
        if (line == "Inputs:" || line == "Outputs:" || line == "Equations:") {
            section = line;
            continue;
        }
        if (line.empty() || section == "Inputs:") {
            continue;
        }
        if (section == "Outputs:") {
            const unsigned pin = static_cast<unsigned>(std::stoul(line));
            if (line.find("(Combinatorial,") == std::string::npos || pin < 14 || pin > 23) {
                return "not a combinatorial output: " + line;
            }
            read[pin].drives = true;
            read[pin].active_low = line.find("Active low") != std::string::npos;
            continue;
        }
        std::string terms = line;
        if (sum == nullptr) {
            const std::size_t equals = line.find(" = ");
            const std::string left = line.substr(0, equals);
            const bool low = left.front() == '/';
            const bool enable = left.ends_with(".oe");
            if (equals == std::string::npos || left.size() < 3 || left[low ? 1 : 0] != 'o') {
                return "not an equation: " + line;
            }
            cell& pin = read[std::stoul(left.substr(low ? 2 : 1))];
            if (!pin.drives || (!enable && low != pin.active_low)) {
                return "an equation of a pin not listed as such: " + line;
            }
            sum = enable ? &pin.enable : &pin.sum;
            terms = line.substr(equals + 3);
        }
        const bool goes_on = terms.ends_with(" +");
        if (goes_on) {
            terms.resize(terms.size() - 2);
        }
        if (terms.find_first_not_of(' ') != std::string::npos) {
            product term;
            if (!parse_product(terms, term)) {
                return "not a product: " + line;
            }
            sum->push_back(term);
        }
        sum = goes_on ? sum : nullptr;
    }
    return std::nullopt;
}

// The fuses of a GAL22V10 JEDEC file, its fuse checksum (C) and its transmission checksum
// (after ETX) held against its fuses and bytes; or what is wrong.
inline std::optional<std::string> fuses_of_jedec(const std::string& text, std::vector<std::uint8_t>& fuses) {
    const std::size_t stx = text.find('\x02');
    const std::size_t etx = text.find('\x03');
    if (stx == std::string::npos || etx == std::string::npos || etx + 5 > text.size()) {
        return "no STX, ETX and transmission checksum";
    }
    unsigned sent = 0;
    for (std::size_t at = stx; at <= etx; ++at) {
        sent += static_cast<unsigned char>(text[at]);
    }
    if (std::stoul(text.substr(etx + 1, 4), nullptr, 16) != (sent & 0xFFFFU)) {
        return "the transmission checksum does not match";
    }
    fuses.assign(5892, 2);
    std::optional<unsigned> checksum;
    std::size_t field = text.find('*', stx) + 1; // after the header
    for (std::size_t end = text.find('*', field); end < etx; field = end + 1, end = text.find('*', field)) {
        const std::string body = text.substr(field, end - field);
        const std::size_t start = body.find_first_not_of("\r\n ");
        if (start == std::string::npos) {
            continue;
        }
        if (body[start] == 'L') {
            std::size_t digits = 0;
            std::size_t fuse = std::stoul(body.substr(start + 1), &digits);
            for (const char state : body.substr(start + 1 + digits)) {
                if (state == '0' || state == '1') {
                    fuses.at(fuse++) = static_cast<std::uint8_t>(state - '0');
                }
            }
        } else if (body[start] == 'C') {
            checksum = std::stoul(body.substr(start + 1), nullptr, 16);
        } else if (body.substr(start, 2) == "QF" && body.substr(start) != "QF5892") {
            return "not QF5892: " + body;
        }
    }
    unsigned sum = 0;
    for (std::size_t fuse = 0; fuse < fuses.size(); ++fuse) {
        if (fuses[fuse] > 1) {
            return "fuse " + std::to_string(fuse) + " is in no L field";
        }
        sum += static_cast<unsigned>(fuses[fuse]) << (fuse % 8);
    }
    if (checksum != (sum & 0xFFFFU)) {
        return "the fuse checksum does not match";
    }
    return std::nullopt;
}

// A board file: pins[chip][pin] is the signal on it: 0-15 I0-I15, 16-23 F0-F7, 24 CE, 255
// none. Read by its own words: `C.P SIGNAL`, # comments.
using board = std::array<std::array<unsigned, 25>, 2>;
constexpr unsigned no_signal = 255;

constexpr bool is_input(unsigned signal) {
    return signal < 16 || signal == 24;
}

inline std::optional<std::string> board_of_text(const std::string& text, board& read) {
    for (auto& pins : read) {
        pins.fill(no_signal);
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string where;
        std::string signal;
        if (!(words >> where)) {
            continue;
        }
        if (!(words >> signal) || where.size() < 3 || where[1] != '.' || (where[0] != '1' && where[0] != '2')) {
            return "not a board line: " + line;
        }
        const auto number =
            static_cast<unsigned>(signal == "CE" ? 24 : std::stoul(signal.substr(1)) + (signal[0] == 'F' ? 16 : 0));
        read[where[0] == '1' ? 0 : 1][std::stoul(where.substr(2))] = number;
    }
    return std::nullopt;
}

// A value of 64 lanes, each lane an input word, with the lanes where it is known: a pin
// nobody drives is known nowhere, and neither is what reads it.
struct lanes {
    std::uint64_t value = 0;
    std::uint64_t known = 0;
};

inline lanes evaluate(const std::vector<product>& terms, const std::array<lanes, 25>& pins) {
    lanes sum{0, ~std::uint64_t{0}};
    std::uint64_t surely_true = 0;
    for (const product& term : terms) {
        std::uint64_t all_known = ~std::uint64_t{0};
        std::uint64_t surely_false = 0;
        std::uint64_t value = ~std::uint64_t{0};
        for (const bool low : {false, true}) {
            for (std::uint32_t literals = low ? term.low : term.high; literals != 0; literals &= literals - 1) {
                const lanes& pin = pins[static_cast<unsigned>(std::countr_zero(literals))];
                const std::uint64_t level = low ? ~pin.value : pin.value;
                all_known &= pin.known;
                surely_false |= pin.known & ~level;
                value &= level;
            }
        }
        surely_true |= all_known & value;
        sum.known &= all_known | surely_false;
    }
    return {surely_true, sum.known | surely_true};
}

// What the table says, bit by bit: table[w] bit k is Fk's level at input word w, care[w]
// bit k that it matters.
struct wanted {
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
};

// The first fault of the pair on the board, or none. Every input word with CE low (and, with
// `ce_tied`, high too): each output's pin driven, at the level the table gives where it
// cares. With CE high (not tied): every output's pin undriven. Always: no pin the board gives
// an input driven. Pins left unconnected may be driven, as spills are.
inline std::optional<std::string> check_pair(const board& pins, const std::array<chip, 2>& chips, const wanted& want,
                                             bool ce_tied) {
    static constexpr std::array<std::uint64_t, 6> within = {
        0xAAAAAAAAAAAAAAAAU, 0xCCCCCCCCCCCCCCCCU, 0xF0F0F0F0F0F0F0F0U,
        0xFF00FF00FF00FF00U, 0xFFFF0000FFFF0000U, 0xFFFFFFFF00000000U,
    };
    std::array<bool, 8> placed{};
    for (std::size_t block = 0; block < 2048; ++block) {
        const bool ce_high = (block >> 10) != 0;
        const std::size_t first_word = (block & 1023) << 6;
        std::array<lanes, 25> signals{}; // I0-I15, F0-F7 (wanted), CE
        for (unsigned input = 0; input < 16; ++input) {
            const bool high = ((first_word >> input) & 1U) != 0;
            signals[input] = {input < 6 ? within[input] : (high ? ~std::uint64_t{0} : 0), ~std::uint64_t{0}};
        }
        signals[24] = {ce_high ? ~std::uint64_t{0} : 0, ~std::uint64_t{0}};
        for (unsigned output = 0; output < 8; ++output) {
            for (unsigned lane = 0; lane < 64; ++lane) {
                signals[16 + output].value |= std::uint64_t{(want.table[first_word + lane] >> output) & 1U} << lane;
                signals[16 + output].known |= std::uint64_t{(want.care[first_word + lane] >> output) & 1U} << lane;
            }
        }
        for (std::size_t index = 0; index < 2; ++index) {
            const chip& gal = chips[index];
            // The pins: inputs from the board; driven ones as their cells drive them, found
            // anew until nothing changes (a loop stays unknown).
            std::array<lanes, 25> levels{};
            std::array<lanes, 25> enables{};
            std::array<lanes, 25> sums{};
            for (unsigned pin = 1; pin < 25; ++pin) {
                const unsigned signal = pins[index][pin];
                levels[pin] = is_input(signal) ? signals[signal] : lanes{};
            }
            for (bool changed = true; changed;) {
                changed = false;
                for (unsigned pin = 14; pin <= 23; ++pin) {
                    if (!gal[pin].drives) {
                        continue;
                    }
                    enables[pin] = evaluate(gal[pin].enable, levels);
                    sums[pin] = evaluate(gal[pin].sum, levels);
                    const lanes on{enables[pin].value & enables[pin].known, enables[pin].value & enables[pin].known};
                    const std::uint64_t off = enables[pin].known & ~enables[pin].value;
                    const unsigned signal = pins[index][pin];
                    const lanes given = is_input(signal) ? signals[signal] : lanes{};
                    const std::uint64_t level = gal[pin].active_low ? ~sums[pin].value : sums[pin].value;
                    const std::uint64_t known = (on.known & sums[pin].known) | (off & given.known);
                    const lanes next{((on.value & level) | (off & given.value)) & known, known};
                    if (next.value != levels[pin].value || next.known != levels[pin].known) {
                        levels[pin] = next;
                        changed = true;
                    }
                }
            }
            for (unsigned pin = 14; pin <= 23; ++pin) {
                const unsigned signal = pins[index][pin];
                const std::string where = std::to_string(index + 1) + "." + std::to_string(pin);
                const std::string at =
                    " at input word " + std::to_string(first_word) + "+, CE " + (ce_high ? "high" : "low");
                const lanes enable = gal[pin].drives ? enables[pin] : lanes{0, ~std::uint64_t{0}};
                if (is_input(signal) && (enable.known & ~enable.value) != ~std::uint64_t{0}) {
                    return where + ", an input, is driven" + at;
                }
                if (is_input(signal) || signal == no_signal) {
                    continue;
                }
                placed[signal - 16] = true;
                const std::string name = "F" + std::to_string(signal - 16);
                if (ce_high && !ce_tied) {
                    if ((enable.known & ~enable.value) != ~std::uint64_t{0}) {
                        return name + " on " + where + " is driven" + at;
                    }
                    continue;
                }
                if ((enable.known & enable.value) != ~std::uint64_t{0}) {
                    return name + " on " + where + " is not driven" + at;
                }
                const lanes& expected = signals[signal];
                const std::uint64_t wrong =
                    expected.known & ((levels[pin].value ^ expected.value) | ~levels[pin].known);
                if (wrong != 0) {
                    return name + " on " + where + " is wrong" + at;
                }
            }
        }
    }
    for (unsigned output = 0; output < 8; ++output) {
        if (!placed[output]) {
            return "F" + std::to_string(output) + " is on no pin with a cell";
        }
    }
    return std::nullopt;
}

} // namespace gal_check

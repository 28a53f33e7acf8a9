// The programmed 82S100 field-programmable logic array: its fuse map and its evaluator.
//
// The array has 16 inputs I0-I15, 48 product terms P0-P47 and 8 outputs F0-F7. Each
// output is the OR of the terms connected to it, inverted or not by its polarity fuse.
// Fuse values follow the JEDEC convention: 0 is an intact fuse (connection made),
// 1 a blown fuse (connection open).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string_view>

// The fuse numbering. Each term Pt owns a block of 40 fuses: its 16 input pairs
// (complement fuse, then true fuse; I0 first), then its 8 output fuses (F0 first).
// The 8 polarity fuses (F0 first) follow the 48 blocks.
inline constexpr std::size_t pla_input_count = 16;
inline constexpr std::size_t pla_term_count = 48;
inline constexpr std::size_t pla_output_count = 8;
inline constexpr std::size_t pla_output_fuses_offset = 2 * pla_input_count;
inline constexpr std::size_t pla_term_block_size = pla_output_fuses_offset + pla_output_count;
inline constexpr std::size_t pla_polarity_fuses_offset = pla_term_count * pla_term_block_size;
inline constexpr std::size_t pla_fuse_count = pla_polarity_fuses_offset + pla_output_count;

// Intact, the complement fuse makes the term false whenever Ij is 1, the true fuse
// whenever Ij is 0.
constexpr std::size_t pla_complement_fuse(std::size_t term, std::size_t input) noexcept {
    return term * pla_term_block_size + 2 * input;
}
constexpr std::size_t pla_true_fuse(std::size_t term, std::size_t input) noexcept {
    return pla_complement_fuse(term, input) + 1;
}
// Intact, it connects term Pt to the OR of output Fk.
constexpr std::size_t pla_output_fuse(std::size_t term, std::size_t output) noexcept {
    return term * pla_term_block_size + pla_output_fuses_offset + output;
}
// Blown, it inverts output Fk.
constexpr std::size_t pla_polarity_fuse(std::size_t output) noexcept {
    return pla_polarity_fuses_offset + output;
}

static_assert(pla_term_block_size == 40 && pla_polarity_fuses_offset == 1920);
static_assert(pla_output_fuse(pla_term_count - 1, pla_output_count - 1) + 1 == pla_polarity_fuse(0));

using pla_fuses = std::array<std::uint8_t, pla_fuse_count>;

namespace pla_detail {

// One row per term: its 40 fuses in ascending fuse number, as the fuse file gives them:
// the 16 input pairs (I0 first), a space, the 8 output fuses (F0 first).
inline constexpr std::array<std::string_view, pla_term_count> term_rows = {
    "11101011111001101111011011101111 00111111", // P0
    "11111011111010101111011011101111 01011111", // P1
    "11111011111010101111011001011111 01011111", // P2
    "11111001111010011011011011101111 01101111", // P3
    "11101101111010011011011011101111 01101111", // P4
    "11111001111010011011011001011111 01101111", // P5
    "11111111101111111111101111100110 01101111", // P6
    "11111111101111111111101101010110 01101111", // P7
    "10111111111010011011010111111111 11111111", // P8
    "11111010111010011010011011101111 01111011", // P9
    "11111010111010011011010111101111 01111011", // P10
    "11101110111010011010011011101111 01111011", // P11
    "11101110111010011011010111101111 01111011", // P12
    "11111010111010011010011001011111 01111011", // P13
    "11111010111010011011010101011111 01111011", // P14
    "11101110111010011010011001011111 01111011", // P15
    "11101110111010011011010101011111 01111011", // P16
    "11111111111010011010011010011111 01111011", // P17
    "11111111111010011011010110011111 01111011", // P18
    "11101011111001011111011001111111 01111101", // P19
    "11111111111001011111011110011111 01111101", // P20
    "11111011111001101111011001011111 01111110", // P21
    "11111111111010101111011110011111 01111110", // P22
    "11111111111111111111101110011010 01111110", // P23
    "11111111110101111011111110011111 01111111", // P24
    "11111111110101101111111110011111 01111111", // P25
    "11111111110110111111111110011111 01111111", // P26
    "11111111111001101111111110011111 01111111", // P27
    "11111111111010010111111110011111 01111111", // P28
    "01111111111111111111111111111111 11111111", // P29
    "10111111111111111111111111111111 01111111", // P30
    "01111111111010011011010111111111 11110111", // P31
    // P32 to P47 are unprogrammed: every fuse intact.
    "00000000000000000000000000000000 00000000", // P32
    "00000000000000000000000000000000 00000000", // P33
    "00000000000000000000000000000000 00000000", // P34
    "00000000000000000000000000000000 00000000", // P35
    "00000000000000000000000000000000 00000000", // P36
    "00000000000000000000000000000000 00000000", // P37
    "00000000000000000000000000000000 00000000", // P38
    "00000000000000000000000000000000 00000000", // P39
    "00000000000000000000000000000000 00000000", // P40
    "00000000000000000000000000000000 00000000", // P41
    "00000000000000000000000000000000 00000000", // P42
    "00000000000000000000000000000000 00000000", // P43
    "00000000000000000000000000000000 00000000", // P44
    "00000000000000000000000000000000 00000000", // P45
    "00000000000000000000000000000000 00000000", // P46
    "00000000000000000000000000000000 00000000", // P47
};

// Polarity fuses 1920...1927, for F0...F7.
inline constexpr std::string_view polarity_row = "01111111";

constexpr bool is_fuse_digits(std::string_view digits, std::size_t count) noexcept {
    return digits.size() == count &&
           std::all_of(digits.begin(), digits.end(), [](char digit) { return digit == '0' || digit == '1'; });
}

constexpr bool is_term_row(std::string_view row) noexcept {
    return row.size() == pla_term_block_size + 1 && row[pla_output_fuses_offset] == ' ' &&
           is_fuse_digits(row.substr(0, pla_output_fuses_offset), pla_output_fuses_offset) &&
           is_fuse_digits(row.substr(pla_output_fuses_offset + 1), pla_output_count);
}

constexpr bool rows_are_well_formed() noexcept {
    return std::all_of(term_rows.begin(), term_rows.end(), is_term_row) &&
           is_fuse_digits(polarity_row, pla_output_count);
}
static_assert(rows_are_well_formed(), "every row must hold one 0 or 1 per fuse");

constexpr pla_fuses fuses_from_rows() noexcept {
    pla_fuses fuses{};
    std::size_t fuse = 0;
    for (const std::string_view row : term_rows) {
        for (const char digit : row) {
            if (digit != ' ') {
                fuses[fuse++] = digit == '1' ? 1 : 0;
            }
        }
    }
    for (const char digit : polarity_row) {
        fuses[fuse++] = digit == '1' ? 1 : 0;
    }
    return fuses;
}

constexpr std::size_t count_blown(const pla_fuses& fuses) noexcept {
    return std::accumulate(fuses.begin(), fuses.end(), std::size_t{0});
}

} // namespace pla_detail

// The array's programming, indexed by fuse number.
inline constexpr pla_fuses pla_fuse_map = pla_detail::fuses_from_rows();

static_assert(pla_fuse_map.size() == 1928);
static_assert(pla_detail::count_blown(pla_fuse_map) == 1001, "1,001 fuses are blown, 927 intact");

// Takes a PLA input word (bit j is the level of Ij, 1 is high) and returns the PLA
// output byte (bit k is the level of Fk) that the programmed array drives for it.
std::uint8_t pla_evaluate(std::uint16_t inputs) noexcept;

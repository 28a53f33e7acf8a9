// What is wrong with a burned EPROM: a dump read back from the chip held against the image
// that was burned, and the single fault of the bench (a line stuck, swapped or shorted, a
// chip not erased or not fully programmed) or the whole-image mix-up (another image
// burned, a line inverted, the image shifted) that turns the one into the other, if any.
// No I/O: the caller reads the files and prints the text `render_eprom_verification` gives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eprom/image.h"
#include "eprom/wiring.h"

// In the order in which the diagnoses are tried: where two faults give the same dump,
// the earlier one is named, and within a kind the lowest line, or the pair whose lower
// line (then upper line) is lowest.
enum class eprom_verdict : std::uint8_t {
    matches,               // the dump is the image
    wrong_size,            // the dump is not 65,536 bytes long
    blank,                 // every byte is 0xFF
    data_line_stuck,       // line_m stuck at level
    data_lines_swapped,    // line_m and line_n
    data_lines_shorted,    // line_m and line_n both read their AND (level 0) or OR (level 1)
    address_line_stuck,    // line_m stuck at level
    address_lines_swapped, // line_m and line_n
    not_erased,            // every wrong bit reads 0 where 1 was expected
    not_fully_programmed,  // every wrong bit reads 1 where 0 was expected
    other_pair_order,      // the image of the programming in the other pair order (option)
    other_wiring,          // the image through another wiring (option)
    address_line_inverted, // line_m
    data_line_inverted,    // line_m
    shifted,               // the dump holds at a + shift the image's byte at a
    all_bits_inverted,     // every byte read is the complement of the image's
    unexplained,           // no fault above explains the differences
};

struct eprom_difference {
    std::uint16_t address;
    std::uint8_t expected;
    std::uint8_t read;
};

// Wrong bits of one data line, counted over the whole dump.
struct eprom_data_line_errors {
    std::uint32_t read_0_for_1;
    std::uint32_t read_1_for_0;
};

inline constexpr std::size_t eprom_differences_shown = 8;

struct eprom_verification {
    eprom_verdict verdict = eprom_verdict::matches;
    std::size_t dump_size = 0;
    // Filled for a dump of the right size that differs.
    std::size_t differing_bytes = 0;
    std::vector<eprom_difference> first_differences; // in address order, at most eprom_differences_shown
    // The lines a diagnosis names (line_m < line_n) and the level it names.
    std::uint8_t line_m = 0;
    std::uint8_t line_n = 0;
    std::uint8_t level = 0;
    // Filled for an unexplained dump: the wrong bits of each data line, and the address
    // lines on which every differing byte has the same level (bit m set: line Am, at the
    // level of bit m of same_address_levels).
    std::array<eprom_data_line_errors, eprom_data_line_count> data_line_errors{};
    std::uint16_t same_address_lines = 0;
    std::uint16_t same_address_levels = 0;
    // Filled for a dump of the wrong size that equals the image's bytes part_offset to
    // part_offset + dump_size - 1, the size being a power of two from 1 KiB to 32 KiB.
    bool is_part = false;
    std::size_t part_offset = 0; // the first such part
    std::uint64_t parts = 0;     // bit i: the dump equals part i (bytes i * dump_size onwards)
    // other_pair_order, other_wiring: the command-line option that makes the image read.
    std::string option;
    // shifted: by how many addresses, up (positive) or down.
    int shift = 0;
};

// The images that may have been burned in place of the expected one, with the option
// that makes each (e.g. "--pairs true-first", "--wiring straight"); an empty option is not
// tried. Read in the other pair order, every term tests the complement of each input, and
// the inputs of address a, inverted, are those of address 0xFFFF - a whatever the wiring:
// that image is the expected one reversed. Through another wiring, each byte of the image
// moves to the address whose inputs are its own, changed to the other data lines.
struct eprom_other_wiring {
    eprom_wiring wiring; // valid
    std::string option;
};
struct eprom_mix_ups {
    eprom_wiring wiring = eprom_wiring::adapter; // the one the expected image is made through
    std::string other_pair_order;
    std::vector<eprom_other_wiring> other_wirings;
};

// Whole-image shifts tried: up and down by 1 to this many addresses.
inline constexpr int eprom_largest_shift = 16;

// The command's exit status: 0 when the dump matches the image, 1 otherwise.
constexpr int eprom_exit_status(const eprom_verification& result) noexcept {
    return result.verdict == eprom_verdict::matches ? 0 : 1;
}

// Holds `dump` (any size) against `expected` and names the first fault, in the order of
// eprom_verdict, that applied to `expected` gives `dump` byte for byte; `mix_ups` says
// which other images to hold it against, other wirings in their order.
eprom_verification verify_eprom_dump(std::span<const std::uint8_t, eprom_image_size> expected,
                                     std::span<const std::uint8_t> dump, const eprom_mix_ups& mix_ups = {});

// The text the command prints on standard output for `result`; DUMP is `dump_name`, the
// name the user gave; counts and line numbers are decimal, addresses and bytes hex:
//   DUMP: matches the image
// or, for a dump of the wrong size,
//   DUMP: N bytes, expected 65536
//   DUMP: equals part K of M of the image, bytes 0xSSSS-0xEEEE     (when it is one)
// or, for a dump that differs,
//   DUMP: N bytes differ                                            ("1 byte differs")
//     0xAAAA: expected 0xEE, read 0xRR                              (the first 8)
//   DUMP: <diagnosis, in fixed words, e.g. "data line D3 stuck at 0", "address line A15
//         inverted", "shifted by 3 bytes: each byte 3 addresses above its own">
//     Dm: X read 0 for 1, Y read 1 for 0    (unexplained only: each data line with wrong bits)
//     Am: every difference at v             (unexplained only: each such address line)
std::string render_eprom_verification(std::string_view dump_name, const eprom_verification& result);

// What is wrong with a burned EPROM: a dump read back from the chip held against the image
// that was burned, and the single fault of the bench (a line stuck, swapped or shorted, a
// chip not erased or not fully programmed) or the whole-image mix-up (another image
// burned, a line inverted, the image shifted) that turns the one into the other, if any;
// where no fault names a place, where the wrong bytes lie and how the wrong bits fall.
// Several reads of one chip: the bytes that differ between them, apart from what they
// agree on. No I/O: the caller reads the files and prints the text the render functions give.
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
    copies,                // the dump is several copies' length: copy_differences says which match
    wrong_size,            // the dump is not 65,536 bytes long
    blank,                 // every byte is 0xFF
    all_zero,              // every byte is 0x00
    data_line_stuck,       // line_m stuck at level
    data_lines_swapped,    // line_m and line_n
    data_lines_shorted,    // line_m and line_n both read their AND (level 0) or OR (level 1)
    address_line_stuck,    // line_m stuck at level
    address_lines_swapped, // line_m and line_n
    data_lines_stuck,      // the lines of stuck_lines read stuck_levels throughout, and differing_besides more
    scattered_bits,        // a few wrong bits with no data line, range or address pattern in common
    ranges_read_00,        // every wrong byte lies in a range that reads 0x00 throughout
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

// A range of addresses from the first wrong byte to the last, joined across a few equal
// bytes (eprom_range_gap at most), or across any number when every byte of the range
// reads the same 0xFF or 0x00.
enum class eprom_range_reading : std::uint8_t { other, all_ff, all_00 };
struct eprom_range {
    std::uint16_t first;
    std::uint16_t last;
    std::uint32_t wrong_bytes;
    eprom_range_reading reading;
};
inline constexpr std::size_t eprom_range_gap = 8;
inline constexpr std::size_t eprom_ranges_shown = 4;

struct eprom_verification {
    eprom_verdict verdict = eprom_verdict::matches;
    // The lines a diagnosis names (line_m < line_n) and the level it names.
    std::uint8_t line_m = 0;
    std::uint8_t line_n = 0;
    std::uint8_t level = 0;
    // data_lines_stuck: the lines (bit m: Dm) that read one level at every address where
    // the image has both, that level (bit m of stuck_levels), and (differing_besides,
    // below) how many bytes differ once those lines are stuck in the image too (the places
    // are of those bytes). Under another verdict, such lines are shown with the places.
    std::uint8_t stuck_lines = 0;
    std::uint8_t stuck_levels = 0;
    // Whether the places below are filled (a verdict that names no place, or none at all).
    bool has_places = false;
    // Filled for a dump of the wrong size that equals the image's bytes part_offset to
    // part_offset + dump_size - 1, the size being a power of two from 1 KiB to 32 KiB.
    bool is_part = false;
    std::size_t dump_size = 0;
    // Filled for a larger dump, not of copies, whose bytes image_offset onwards are the
    // image: at its start or at its end (a byte or a header too many).
    bool holds_image = false;
    std::size_t image_offset = 0;
    // Filled for a dump of the right size that differs.
    std::size_t differing_bytes = 0;
    std::vector<eprom_difference> first_differences; // in address order, at most eprom_differences_shown
    std::size_t differing_besides = 0;
    // The places: the wrong bits of each data line; the ranges of wrong bytes (the first
    // eprom_ranges_shown of range_count); the address lines below the highest that varies
    // on which every wrong byte has the same level (bit m set: line Am, at the level of
    // bit m of same_address_levels).
    std::array<eprom_data_line_errors, eprom_data_line_count> data_line_errors{};
    std::vector<eprom_range> ranges;
    std::size_t range_count = 0;
    std::uint16_t same_address_lines = 0;
    std::uint16_t same_address_levels = 0;
    // shifted: by how many addresses, up (positive) or down.
    int shift = 0;
    std::size_t part_offset = 0; // the first such part
    std::uint64_t parts = 0;     // bit i: the dump equals part i (bytes i * dump_size onwards)
    // copies: for each 65,536 bytes of the dump, how many differ from the image.
    std::vector<std::size_t> copy_differences;
    // other_pair_order, other_wiring: the command-line option that makes the image read.
    std::string option;
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

// The command's exit status: 0 when the dump matches the image (every copy of it, for a
// dump of a larger chip), 1 otherwise.
int eprom_exit_status(const eprom_verification& result) noexcept;

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
//   DUMP: its bytes 0xSSSSS-0xEEEEE are the image, N bytes more after them    (or "before")
// or, for a dump of a larger chip (2 to 256 times 65,536 bytes),
//   DUMP: N bytes: K copies of the image's 65536
//   DUMP: copy K of M, bytes 0xSSSSS-0xEEEEE: matches the image      (or "N bytes differ")
// or, for a dump that differs,
//   DUMP: N bytes differ                                            ("1 byte differs")
//     0xAAAA: expected 0xEE, read 0xRR                              (the first 8)
//   DUMP: <diagnosis, in fixed words, e.g. "data line D3 stuck at 0", "address line A15
//         inverted", "shifted by 3 bytes: each byte 3 addresses above its own">
// and, when has_places,
//     every byte read has Dm = v and Dn = w     (data lines stuck, under another verdict)
//     Dm: X read 0 for 1, Y read 1 for 0    (each data line with wrong bits)
//     0xSSSS-0xEEEE: N bytes wrong, all read 0xFF   (each range shown; "all read 0x00",
//                                                    "read other values"; one address alone:
//                                                    "0xSSSS: 1 byte wrong, reads 0xRR")
//     and N more ranges
//     every wrong byte has Am = v, An = w and Ap = x
//     every wrong byte lies in 0xSSSS-0xEEEE + k * 0xPPPP   (when those lines are contiguous)
// A blank or all-zero dump is the one line `DUMP: blank: every byte is 0xFF: ...` with what to
// do (`DUMP: every byte is 0x00`).
std::string render_eprom_verification(std::string_view dump_name, const eprom_verification& result);

// Several reads of one chip: the bytes on which they differ (weak cells or a contact that
// comes and goes), and the diagnosis of what they agree on: each bit on which every read
// agrees is that, each other bit the image's. Reads of other sizes than 65,536 bytes are
// each verified alone.
struct eprom_unstable_byte {
    std::uint16_t address;
    std::uint8_t expected;
    std::vector<std::uint8_t> reads; // the byte in each read, in order
};
struct eprom_reads_verification {
    std::vector<eprom_verification> alone; // filled (one per read) when a read is not 65,536 bytes
    std::size_t unstable_bytes = 0;
    std::vector<eprom_unstable_byte> first_unstable; // at most eprom_differences_shown
    // Per data line, the bits that read differently between the reads: where the image
    // holds 1 (read_0_for_1: some reads 0) and where it holds 0 (read_1_for_0: some reads 1).
    std::array<eprom_data_line_errors, eprom_data_line_count> unstable_lines{};
    eprom_verification agreed;
};

eprom_reads_verification verify_eprom_reads(std::span<const std::uint8_t, eprom_image_size> expected,
                                            std::span<const std::span<const std::uint8_t>> reads,
                                            const eprom_mix_ups& mix_ups = {});

// 0 when every read matches the image, 1 otherwise.
int eprom_exit_status(const eprom_reads_verification& result) noexcept;

// The text for several reads, the reads named in `dump_names` (as many as there were); the
// reads together are NAME1 + NAME2 + ...:
//   NAMES: N bytes differ between the reads: weak cells or a bad contact ("1 byte differs")
//     0xAAAA: expected 0xEE, read 0xR1 0xR2 ...                     (the first 8)
//     Dm: X read 0 for 1, Y read 1 for 0 in some reads             (each data line with such bits)
// then the text of render_eprom_verification for what they agree on, named NAMES. A read
// of the wrong size makes the text each read's own, one after the other, after a headline:
//   NAMES: K of N reads match the image       ("every read matches", "no read matches")
std::string render_eprom_reads(std::span<const std::string> dump_names, const eprom_reads_verification& result);

// JEDEC fuse files (JESD3-C) for the 82S100: reading one into a fuse map and writing a
// fuse map as one. Knows the file format and its checksums, nothing of files or commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pla/pla.h"

// Larger files are refused before they are read: a fuse file of this array is some 2 KiB.
inline constexpr std::size_t jedec_max_file_size = std::size_t{1} << 20;

// Which fuse of an input pair a file numbers first. The map in memory is always
// complement-first; nothing in a file says which order it uses.
enum class jedec_pair_order : std::uint8_t { complement_first, true_first };

// Where a file is wrong and why. Line and column count from 1 (the column in bytes);
// line 0 means the file as a whole.
struct jedec_error {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string message;
};

// Reads `text`, a whole file, into `fuses`. Returns the first fault found, and then
// leaves `fuses` unspecified. Linear in the size of `text`.
std::optional<jedec_error> read_jedec(std::string_view text, jedec_pair_order order, pla_fuses& fuses);

// The file for `fuses`: STX, a header line naming the device, `program`
// and the pair order, QP28, QF1928, F0, one L field per term and one for the polarity
// fuses, C, ETX and the transmission checksum, with CR LF line ends.
std::string write_jedec(const pla_fuses& fuses, jedec_pair_order order, std::string_view program);

// The fuse map with the two fuses of every input pair exchanged: a map in one pair order
// read as the other.
pla_fuses jedec_swap_pairs(const pla_fuses& fuses) noexcept;

// The C field's value: the 16-bit sum of the bytes that hold the fuses 8 at a time,
// fuse n at bit n mod 8 of byte n / 8, the last byte padded with zeros.
std::uint16_t jedec_fuse_checksum(const pla_fuses& fuses) noexcept;
// The same for the fuse map of any device (a fuse is 0 or 1).
std::uint16_t jedec_fuse_checksum(std::span<const std::uint8_t> fuses) noexcept;

// The value after ETX: the 16-bit sum of every byte of `transmission`, which runs from
// STX to ETX, both included.
std::uint16_t jedec_transmission_checksum(std::string_view transmission) noexcept;

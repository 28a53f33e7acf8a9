// The raw fuse file that emulators keep for each array: the fuse count as 4 bytes,
// most significant first, then the fuses 8 to a byte, fuse n at bit n mod 8 of byte n / 8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "forms/form_error.h"
#include "jedec/jedec.h"

inline constexpr std::size_t fuse_file_size = 4 + pla_fuse_count / 8;
static_assert(pla_fuse_count % 8 == 0 && fuse_file_size == 245);

// Reads `bytes` into `fuses`, which the file numbers in `order`. Any count but 1,928 and
// any size but 245 bytes are refused.
std::optional<form_error> read_fuse_file(std::string_view bytes, jedec_pair_order order, pla_fuses& fuses);

// The 245 bytes for `fuses`, numbered in `order`.
std::string write_fuse_file(const pla_fuses& fuses, jedec_pair_order order);

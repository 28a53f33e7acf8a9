// The EPROM image: for every address, the data byte the programmed array drives through
// a wiring between the EPROM's lines and the array's pins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "eprom/wiring.h"
#include "pla/pla.h"

inline constexpr std::size_t eprom_image_size = std::size_t{1} << 16;

// Fills `image` so that image[a] is the data byte for EPROM address a, for the built-in
// programming through the adapter's wiring.
void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image) noexcept;

// The same for the programming `fuses` through `wiring` (valid: eprom_wiring_is_valid),
// with the evaluator and, for a wiring other than the adapter's, the lookups derived at
// run time.
void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image, const pla_fuses& fuses,
                       const eprom_wiring& wiring) noexcept;

// Undoes `wiring`: fills `table` so that table[w] is the PLA output byte that `image`
// holds for PLA input word w.
void eprom_image_to_truth_table(std::span<const std::uint8_t, eprom_image_size> image, const eprom_wiring& wiring,
                                std::span<std::uint8_t, eprom_image_size> table) noexcept;

// The EPROM image: for every address, the data byte the programmed array drives through
// the adapter's wiring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t eprom_image_size = std::size_t{1} << 16;

// Fills `image` so that image[a] is the data byte for EPROM address a.
void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image) noexcept;

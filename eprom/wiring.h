// The adapter's fixed wiring between the EPROM's lines and the array's pins.
// No line is inverted; both wirings are one-to-one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t eprom_address_line_count = 16;
inline constexpr std::size_t eprom_data_line_count = 8;

// Reads "address line An drives array input I<address_line_input[n]>".
inline constexpr std::array<std::uint8_t, eprom_address_line_count> address_line_input = {
    15, 0,  1,  2,  3, 4, 5, 6,  // A0-A7
    10, 11, 14, 12, 7, 9, 8, 13, // A8-A15
};

// Reads "array output Fk drives data line D<output_data_line[k]>": F0-F6 land on D6 down
// to D0, F7 stays on D7.
inline constexpr std::array<std::uint8_t, eprom_data_line_count> output_data_line = {
    6, 5, 4, 3, 2, 1, 0, 7, // F0-F7
};

namespace wiring_detail {

template <std::size_t N>
constexpr bool is_permutation(const std::array<std::uint8_t, N>& lines) noexcept {
    std::array<bool, N> seen{};
    for (const std::uint8_t line : lines) {
        if (line >= N || seen[line]) {
            return false;
        }
        seen[line] = true;
    }
    return true;
}

// Moves bit n of `bits` to bit lines[n].
template <typename T, std::size_t N>
constexpr T route(T bits, const std::array<std::uint8_t, N>& lines) noexcept {
    unsigned routed = 0;
    for (std::size_t n = 0; n < N; ++n) {
        routed |= ((static_cast<unsigned>(bits) >> n) & 1U) << lines[n];
    }
    return static_cast<T>(routed);
}

// The wiring of each byte of lines, for every value of that byte, so that a wiring is
// applied by a lookup per byte instead of a loop per line.
template <typename T, std::size_t N>
constexpr std::array<T, 256> routed_byte(const std::array<std::uint8_t, N>& lines, std::size_t byte) noexcept {
    std::array<T, 256> routed{};
    for (unsigned value = 0; value < 256; ++value) {
        routed[value] = route(static_cast<T>(value << (8 * byte)), lines);
    }
    return routed;
}

// The same wiring read the other way: which line drives each pin.
template <std::size_t N>
constexpr std::array<std::uint8_t, N> inverse(const std::array<std::uint8_t, N>& lines) noexcept {
    std::array<std::uint8_t, N> inverted{};
    for (std::size_t n = 0; n < N; ++n) {
        inverted[lines[n]] = static_cast<std::uint8_t>(n);
    }
    return inverted;
}

inline constexpr auto inputs_of_low_address = routed_byte<std::uint16_t>(address_line_input, 0);
inline constexpr auto inputs_of_high_address = routed_byte<std::uint16_t>(address_line_input, 1);
inline constexpr auto data_of_outputs = routed_byte<std::uint8_t>(output_data_line, 0);
inline constexpr auto address_of_low_inputs = routed_byte<std::uint16_t>(inverse(address_line_input), 0);
inline constexpr auto address_of_high_inputs = routed_byte<std::uint16_t>(inverse(address_line_input), 1);
inline constexpr auto outputs_of_data = routed_byte<std::uint8_t>(inverse(output_data_line), 0);

} // namespace wiring_detail

static_assert(wiring_detail::is_permutation(address_line_input));
static_assert(wiring_detail::is_permutation(output_data_line));

// Takes an EPROM address (bit n is line An) and returns the PLA input word it drives
// (bit j is input Ij).
constexpr std::uint16_t address_to_pla_inputs(std::uint16_t address) noexcept {
    return static_cast<std::uint16_t>(wiring_detail::inputs_of_low_address[address & 0xFFU] |
                                      wiring_detail::inputs_of_high_address[address >> 8]);
}

// Takes a PLA output byte (bit k is output Fk) and returns the EPROM data byte it drives
// (bit m is line Dm).
constexpr std::uint8_t pla_outputs_to_data(std::uint8_t outputs) noexcept {
    return wiring_detail::data_of_outputs[outputs];
}

// Takes a PLA input word and returns the EPROM address that drives it.
constexpr std::uint16_t pla_inputs_to_address(std::uint16_t inputs) noexcept {
    return static_cast<std::uint16_t>(wiring_detail::address_of_low_inputs[inputs & 0xFFU] |
                                      wiring_detail::address_of_high_inputs[inputs >> 8]);
}

// Takes an EPROM data byte and returns the PLA output byte that drives it.
constexpr std::uint8_t data_to_pla_outputs(std::uint8_t data) noexcept {
    return wiring_detail::outputs_of_data[data];
}

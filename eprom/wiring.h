// The wiring between the EPROM's lines and the array's pins: the adapter's, fixed, and any
// other a board has, as a value. Each is applied by lookups per byte derived from it, at
// compile time for the adapter and at run time for a wiring read from a file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t eprom_address_line_count = 16;
inline constexpr std::size_t eprom_data_line_count = 8;

// The adapter's wiring. No line is inverted.
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

// A wiring: which pin each line goes to, and which lines pass through an inverter on the
// way. Both tables must be one-to-one (eprom_wiring_is_valid).
struct eprom_wiring {
    // Reads "address line An drives array input I<address_line_input[n]>".
    std::array<std::uint8_t, eprom_address_line_count> address_line_input;
    // Bit n: An reaches its input inverted.
    std::uint16_t inverted_address_lines;
    // Reads "array output Fk drives data line D<output_data_line[k]>".
    std::array<std::uint8_t, eprom_data_line_count> output_data_line;
    // Bit m: Dm carries its output inverted.
    std::uint8_t inverted_data_lines;

    // The adapter's wiring, above.
    static const eprom_wiring adapter;
    // None: address line An carries input In and data line Dk carries output Fk, as in a
    // truth table read straight off an array.
    static const eprom_wiring straight;

    friend constexpr bool operator==(const eprom_wiring&, const eprom_wiring&) noexcept = default;
};

inline constexpr eprom_wiring eprom_wiring::adapter{::address_line_input, 0, ::output_data_line, 0};
inline constexpr eprom_wiring eprom_wiring::straight{
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 0, {0, 1, 2, 3, 4, 5, 6, 7}, 0};

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

// The wiring of each byte of lines, for every value of that byte, the lines of that byte
// whose bit is set in `inverted` inverted first, so that a wiring is applied by a lookup
// per byte instead of a loop per line.
template <typename T, std::size_t Byte, std::size_t N>
constexpr std::array<T, 256> routed_byte(const std::array<std::uint8_t, N>& lines, unsigned inverted) noexcept {
    const std::size_t first = 8 * Byte;
    const std::size_t end = first + 8 < N ? first + 8 : N;
    std::array<T, 256> routed{};
    for (unsigned value = 0; value < 256; ++value) {
        const unsigned bits = (value << first) ^ inverted;
        unsigned routed_bits = 0;
        for (std::size_t n = first; n < end; ++n) { // only the lines of this byte
            routed_bits |= ((bits >> n) & 1U) << lines[n];
        }
        routed[value] = static_cast<T>(routed_bits);
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

} // namespace wiring_detail

constexpr bool eprom_wiring_is_valid(const eprom_wiring& wiring) noexcept {
    return wiring_detail::is_permutation(wiring.address_line_input) &&
           wiring_detail::is_permutation(wiring.output_data_line);
}

static_assert(eprom_wiring_is_valid(eprom_wiring::adapter));
static_assert(eprom_wiring_is_valid(eprom_wiring::straight));

// A valid wiring as lookups per byte, from the EPROM's lines to the array's pins.
struct eprom_wiring_lookups {
    std::array<std::uint16_t, 256> inputs_of_low_address;
    std::array<std::uint16_t, 256> inputs_of_high_address;
    std::array<std::uint8_t, 256> data_of_outputs;
};

// The same wiring from the array's pins back to the EPROM's lines.
struct eprom_wiring_reverse_lookups {
    std::array<std::uint16_t, 256> address_of_low_inputs;
    std::array<std::uint16_t, 256> address_of_high_inputs;
    std::array<std::uint8_t, 256> outputs_of_data;
};

constexpr eprom_wiring_lookups derive_wiring_lookups(const eprom_wiring& wiring) noexcept {
    using wiring_detail::routed_byte;
    const unsigned inverted = wiring.inverted_address_lines;
    return {
        routed_byte<std::uint16_t, 0>(wiring.address_line_input, inverted),
        routed_byte<std::uint16_t, 1>(wiring.address_line_input, inverted),
        routed_byte<std::uint8_t, 0>(
            wiring.output_data_line,
            wiring_detail::route(wiring.inverted_data_lines, wiring_detail::inverse(wiring.output_data_line))),
    };
}

constexpr eprom_wiring_reverse_lookups derive_wiring_reverse_lookups(const eprom_wiring& wiring) noexcept {
    using wiring_detail::routed_byte;
    const auto input_address_line = wiring_detail::inverse(wiring.address_line_input);
    const unsigned inverted_inputs = wiring_detail::route(wiring.inverted_address_lines, wiring.address_line_input);
    return {
        routed_byte<std::uint16_t, 0>(input_address_line, inverted_inputs),
        routed_byte<std::uint16_t, 1>(input_address_line, inverted_inputs),
        routed_byte<std::uint8_t, 0>(wiring_detail::inverse(wiring.output_data_line), wiring.inverted_data_lines),
    };
}

// Takes an EPROM address (bit n is line An) and returns the PLA input word it drives
// (bit j is input Ij).
constexpr std::uint16_t address_to_pla_inputs(const eprom_wiring_lookups& lookups, std::uint16_t address) noexcept {
    return static_cast<std::uint16_t>(lookups.inputs_of_low_address[address & 0xFFU] |
                                      lookups.inputs_of_high_address[address >> 8]);
}

// Takes a PLA output byte (bit k is output Fk) and returns the EPROM data byte it drives
// (bit m is line Dm).
constexpr std::uint8_t pla_outputs_to_data(const eprom_wiring_lookups& lookups, std::uint8_t outputs) noexcept {
    return lookups.data_of_outputs[outputs];
}

// Takes a PLA input word and returns the EPROM address that drives it.
constexpr std::uint16_t pla_inputs_to_address(const eprom_wiring_reverse_lookups& lookups,
                                              std::uint16_t inputs) noexcept {
    return static_cast<std::uint16_t>(lookups.address_of_low_inputs[inputs & 0xFFU] |
                                      lookups.address_of_high_inputs[inputs >> 8]);
}

// Takes an EPROM data byte and returns the PLA output byte that drives it.
constexpr std::uint8_t data_to_pla_outputs(const eprom_wiring_reverse_lookups& lookups, std::uint8_t data) noexcept {
    return lookups.outputs_of_data[data];
}

// The adapter's lookups, derived at compile time.
inline constexpr eprom_wiring_lookups adapter_lookups = derive_wiring_lookups(eprom_wiring::adapter);
inline constexpr eprom_wiring_reverse_lookups adapter_reverse_lookups =
    derive_wiring_reverse_lookups(eprom_wiring::adapter);

// The same four through the adapter's wiring.
constexpr std::uint16_t address_to_pla_inputs(std::uint16_t address) noexcept {
    return address_to_pla_inputs(adapter_lookups, address);
}

constexpr std::uint8_t pla_outputs_to_data(std::uint8_t outputs) noexcept {
    return pla_outputs_to_data(adapter_lookups, outputs);
}

constexpr std::uint16_t pla_inputs_to_address(std::uint16_t inputs) noexcept {
    return pla_inputs_to_address(adapter_reverse_lookups, inputs);
}

constexpr std::uint8_t data_to_pla_outputs(std::uint8_t data) noexcept {
    return data_to_pla_outputs(adapter_reverse_lookups, data);
}

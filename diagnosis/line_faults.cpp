// The single faults of the bench: a data or address line stuck, two swapped, two data
// lines shorted.
#include <algorithm>
#include <bit>
#include <optional>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

// Data faults 1-4, or nothing.
std::optional<fault> find_data_fault(const side_by_side& bytes, const byte_summary& summary,
                                     std::span<const eprom_difference> first) {
    const unsigned wrong_lines = summary.read_0_for_1 | summary.read_1_for_0;
    const int wrong_count = std::popcount(wrong_lines);
    if (wrong_count > 2) {
        return std::nullopt;
    }
    const auto low = static_cast<std::uint8_t>(std::countr_zero(wrong_lines));
    if (wrong_count == 1) {
        // Only Dm is ever wrong: stuck if it reads one level throughout.
        if (bit_of(summary.always_1, low) != 0) {
            return fault{eprom_verdict::data_line_stuck, low, low, 1};
        }
        if (bit_of(summary.ever_1, low) == 0) {
            return fault{eprom_verdict::data_line_stuck, low, low, 0};
        }
    }
    const auto high = static_cast<std::uint8_t>(std::bit_width(wrong_lines) - 1);
    if (wrong_count == 2) {
        const unsigned distance = high - low;
        const byte_word lane_low = bit_0_of_each_byte << low;
        const auto swapped = [=](byte_word word) {
            const byte_word differ = ((word >> distance) ^ word) & lane_low;
            return word ^ differ ^ (differ << distance);
        };
        if (explains_bytes(swapped, bytes, first)) {
            return fault{eprom_verdict::data_lines_swapped, low, high, 0};
        }
    }
    // A short drives wrong bits one way only: an AND never reads 1 for 0, an OR never
    // 0 for 1. With one line wrong, the other may be any line whose level wins.
    const bool wired_or = summary.read_0_for_1 == 0;
    if (!wired_or && summary.read_1_for_0 != 0) {
        return std::nullopt;
    }
    for (std::uint8_t other = 0; other < eprom_data_line_count; ++other) {
        if (other == low || (wrong_count == 2 && other != high)) {
            continue;
        }
        const std::uint8_t lower = std::min(low, other);
        const std::uint8_t upper = std::max(low, other);
        const unsigned distance = upper - lower;
        const byte_word lane_lower = bit_0_of_each_byte << lower;
        const byte_word both_lanes = lane_lower | (lane_lower << distance);
        const auto shorted = [=](byte_word word) {
            const byte_word at_lower = word & lane_lower;
            const byte_word at_upper = (word >> distance) & lane_lower;
            const byte_word both = wired_or ? (at_lower | at_upper) : (at_lower & at_upper);
            return (word & ~both_lanes) | both | (both << distance);
        };
        if (explains_bytes(shorted, bytes, first)) {
            return fault{eprom_verdict::data_lines_shorted, lower, upper, static_cast<std::uint8_t>(wired_or)};
        }
    }
    return std::nullopt;
}

// Whether Am and An are at opposite levels at each of `differences`, as they are at every
// difference a swap of the two makes.
bool opposite_at(std::span<const eprom_difference> differences, unsigned line, unsigned other) noexcept {
    return std::all_of(differences.begin(), differences.end(), [&](const eprom_difference& difference) {
        return bit_of(difference.address, line) != bit_of(difference.address, other);
    });
}

// Address faults 5-6, or nothing.
std::optional<fault> find_address_fault(const side_by_side& bytes, const byte_summary& summary,
                                        std::span<const eprom_difference> first) {
    // Stuck at v, a line leaves every address with it at v as it was, and every
    // difference is at the other level: only the runs at that level need checking.
    for (std::uint8_t line = 0; line < eprom_address_line_count; ++line) {
        if (bit_of(same_address_lines(summary), line) == 0) {
            continue;
        }
        const unsigned level = bit_of(summary.address_all_1, line) ^ 1U;
        const std::size_t run = std::size_t{1} << line;
        const auto source = [=](unsigned address) { return (address & ~(1U << line)) | (level << line); };
        if (explains_at(source, {line, level == 0 ? run : 0, 2 * run}, bytes, first)) {
            return fault{eprom_verdict::address_line_stuck, line, line, static_cast<std::uint8_t>(level)};
        }
    }
    for (std::uint8_t line = 0; line < eprom_address_line_count; ++line) {
        for (std::uint8_t other = line + 1; other < eprom_address_line_count; ++other) {
            if (!opposite_at(first, line, other)) {
                continue;
            }
            const auto source = [=](unsigned address) { return swap_bits(address, line, other); };
            if (explains_at(source, {line, 0, std::size_t{1} << line}, bytes, first)) {
                return fault{eprom_verdict::address_lines_swapped, line, other, 0};
            }
        }
    }
    return std::nullopt;
}

// The data lines that read one level at every address where the image has both levels.
std::optional<fault> find_stuck_data_lines(const side_by_side& bytes, const byte_summary& summary) {
    const unsigned fixed_in_dump = (summary.always_1 | ~summary.ever_1) & all_data_lines;
    if (fixed_in_dump == 0) {
        return std::nullopt;
    }
    std::uint8_t image_always_1 = 0xFF;
    std::uint8_t image_ever_1 = 0;
    for (const std::uint8_t byte : bytes.expected) {
        image_always_1 &= byte;
        image_ever_1 |= byte;
    }
    const unsigned fixed_in_image = (image_always_1 | ~image_ever_1) & all_data_lines;
    const unsigned stuck = fixed_in_dump & ~fixed_in_image;
    if (stuck == 0) {
        return std::nullopt;
    }
    return fault{eprom_verdict::data_lines_stuck, static_cast<std::uint8_t>(stuck), static_cast<std::uint8_t>(stuck),
                 static_cast<std::uint8_t>(summary.always_1 & stuck)};
}

} // namespace diagnosis_detail

// The single faults of the bench: a data or address line stuck, two swapped, two shorted.
#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

namespace {

// The address lines on the 27C512's pins, pin 1 to pin 28 (0: a pin that carries none:
// data, power, the enables): a solder bridge or a bent pin shorts neighbours first.
constexpr std::array<std::uint8_t, 28> socket_address_line = {
    15,   12,   7,    6,    5,    4, 3,  2, 1, 0, // pins 1-10
    0xFF, 0xFF, 0xFF, 0xFF,                       // D0, D1, D2, ground
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                 // D3-D7
    0xFF, 10,   0xFF, 11,   9,    8, 13,          // /CE, A10, /OE, A11, A9, A8, A13
    14,   0xFF,                                   // A14, Vcc
};

constexpr auto socket_neighbours() {
    std::array<std::pair<std::uint8_t, std::uint8_t>, 13> pairs{};
    std::size_t count = 0;
    for (std::size_t pin = 0; pin + 1 < socket_address_line.size(); ++pin) {
        const std::uint8_t line = socket_address_line.at(pin);
        const std::uint8_t next = socket_address_line.at(pin + 1);
        if (line != 0xFF && next != 0xFF) {
            pairs.at(count++) = {std::min(line, next), std::max(line, next)};
        }
    }
    return pairs;
}
constexpr auto neighbours = socket_neighbours();
static_assert(neighbours.back().first == 13 && neighbours.back().second == 14, "each neighbouring pair counted");

bool are_neighbours(unsigned line, unsigned other) noexcept {
    return std::any_of(neighbours.begin(), neighbours.end(),
                       [&](const auto& pair) { return pair.first == line && pair.second == other; });
}

} // namespace

void list_line_faults(std::vector<fault>& faults) {
    constexpr auto data_lines = static_cast<std::uint8_t>(eprom_data_line_count);
    constexpr auto address_lines = static_cast<std::uint8_t>(eprom_address_line_count);
    const auto add = [&](eprom_verdict verdict, std::uint8_t lower, std::uint8_t upper, std::uint8_t level) {
        faults.push_back({verdict, lower, upper, level});
    };
    for (std::uint8_t line = 0; line < data_lines; ++line) {
        add(eprom_verdict::data_line_stuck, line, line, 0);
        add(eprom_verdict::data_line_stuck, line, line, 1);
    }
    for (std::uint8_t line = 0; line < data_lines; ++line) {
        for (auto other = static_cast<std::uint8_t>(line + 1); other < data_lines; ++other) {
            add(eprom_verdict::data_lines_swapped, line, other, 0);
        }
    }
    for (std::uint8_t line = 0; line < data_lines; ++line) {
        for (auto other = static_cast<std::uint8_t>(line + 1); other < data_lines; ++other) {
            add(eprom_verdict::data_lines_shorted, line, other, 0);
            add(eprom_verdict::data_lines_shorted, line, other, 1);
        }
    }
    for (std::uint8_t line = 0; line < address_lines; ++line) {
        add(eprom_verdict::address_line_stuck, line, line, 0);
        add(eprom_verdict::address_line_stuck, line, line, 1);
    }
    for (std::uint8_t line = 0; line < address_lines; ++line) {
        for (auto other = static_cast<std::uint8_t>(line + 1); other < address_lines; ++other) {
            add(eprom_verdict::address_lines_swapped, line, other, 0);
        }
    }
    for (const auto& [line, other] : neighbours) {
        add(eprom_verdict::address_lines_shorted, line, other, 0);
        add(eprom_verdict::address_lines_shorted, line, other, 1);
    }
    for (std::uint8_t line = 0; line < address_lines; ++line) {
        for (auto other = static_cast<std::uint8_t>(line + 1); other < address_lines; ++other) {
            if (!are_neighbours(line, other)) {
                add(eprom_verdict::address_lines_shorted, line, other, 0);
                add(eprom_verdict::address_lines_shorted, line, other, 1);
            }
        }
    }
}

// The data lines that read one level at every address where the image has both.
std::optional<fault> find_stuck_data_lines(const byte_summary& summary) {
    const unsigned fixed_in_dump = (summary.always_1 | ~summary.ever_1) & all_data_lines;
    const unsigned fixed_in_image = (summary.image_always_1 | ~summary.image_ever_1) & all_data_lines;
    const unsigned stuck = fixed_in_dump & ~fixed_in_image;
    if (stuck == 0) {
        return std::nullopt;
    }
    return fault{eprom_verdict::data_lines_stuck, static_cast<std::uint8_t>(stuck), static_cast<std::uint8_t>(stuck),
                 static_cast<std::uint8_t>(summary.always_1 & stuck)};
}

} // namespace diagnosis_detail

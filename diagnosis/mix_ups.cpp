// The whole-image mix-ups: another image burned (the other pair order, another wiring), a
// line inverted, the image shifted, every bit inverted.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "diagnosis/scan.h"
#include "diagnosis/steps.h"

namespace diagnosis_detail {

namespace {

// Whether the dump is the image made through `other` instead of `mix_ups.wiring`: the byte for the
// inputs of address a moved to the address whose inputs they are through `other`, and
// through its data lines. Both ways of a wiring are affine, so the address a byte comes
// from is one lookup for each byte of the address, XORed.
bool is_through_wiring(const eprom_other_wiring& other, const eprom_mix_ups& mix_ups, const side_by_side& bytes,
                       std::span<const eprom_difference> first) {
    const eprom_wiring_lookups forward = derive_wiring_lookups(other.wiring);
    const eprom_wiring_reverse_lookups reverse = derive_wiring_reverse_lookups(mix_ups.wiring);
    const std::uint16_t from_zero = pla_inputs_to_address(reverse, 0);
    std::array<std::uint16_t, 256> from_low{};
    std::array<std::uint16_t, 256> from_high{};
    std::array<std::uint8_t, 256> read_for{};
    for (unsigned value = 0; value < 256; ++value) {
        from_low[value] = pla_inputs_to_address(reverse, forward.inputs_of_low_address[value]);
        from_high[value] = static_cast<std::uint16_t>(
            pla_inputs_to_address(reverse, forward.inputs_of_high_address[value]) ^ from_zero);
        read_for[value] = pla_outputs_to_data(forward, data_to_pla_outputs(reverse, static_cast<std::uint8_t>(value)));
    }
    const auto wrong = [&](const eprom_difference& difference) {
        const unsigned from = from_low[difference.address & 0xFFU] ^ from_high[difference.address >> 8];
        return read_for[bytes.expected[from]] != difference.read;
    };
    if (std::any_of(first.begin(), first.end(), wrong)) {
        return false;
    }
    // 256 addresses at a time, with no branch per byte.
    for (std::size_t high = 0; high < 256; ++high) {
        const unsigned base = from_high[high];
        const auto dump = bytes.dump.subspan(high << 8, 256);
        unsigned differ = 0;
        for (std::size_t low = 0; low < 256; ++low) {
            differ |= static_cast<unsigned>(read_for[bytes.expected[from_low[low] ^ base]] ^ dump[low]);
        }
        if (differ != 0) {
            return false;
        }
    }
    return true;
}

// Whether the dump holds at a + shift the image's byte at a, for every a that stays on
// the chip; the `shift` addresses left over at the one end must read blank (0xFF) or hold
// the bytes pushed off the other end.
bool is_shifted(int shift, const side_by_side& bytes, std::span<const eprom_difference> first) {
    const auto moved = static_cast<std::size_t>(shift < 0 ? -shift : shift);
    const std::size_t kept = eprom_image_size - moved;
    const auto wrong = [&](const eprom_difference& difference) {
        const auto from = static_cast<std::size_t>((difference.address - shift) & 0xFFFF);
        const bool on_chip = shift > 0 ? difference.address >= moved : difference.address < kept;
        return on_chip && bytes.expected[from] != difference.read;
    };
    if (std::any_of(first.begin(), first.end(), wrong)) {
        return false;
    }
    // [start, start + kept) of the dump against [from, from + kept) of the image; the rest
    // of the dump is [rest, rest + moved), against [rest_from, ...) when it wraps around.
    const std::size_t start = shift > 0 ? moved : 0;
    const std::size_t from = shift > 0 ? 0 : moved;
    const std::size_t rest = shift > 0 ? 0 : kept;
    const std::size_t rest_from = shift > 0 ? kept : 0;
    if (std::memcmp(bytes.dump.subspan(start, kept).data(), bytes.expected.subspan(from, kept).data(), kept) != 0) {
        return false;
    }
    const auto left = bytes.dump.subspan(rest, moved);
    return std::all_of(left.begin(), left.end(), [](std::uint8_t byte) { return byte == 0xFF; }) ||
           std::memcmp(left.data(), bytes.expected.subspan(rest_from, moved).data(), moved) == 0;
}

} // namespace

// The whole-image mix-ups, in the order of eprom_verdict, or nothing.
std::optional<fault> find_mix_up(const side_by_side& bytes, const byte_summary& summary,
                                 std::span<const eprom_difference> first, const eprom_mix_ups& mix_ups,
                                 eprom_verification& result) {
    const auto reversed = [](unsigned address) { return address ^ all_address_lines; };
    if (!mix_ups.other_pair_order.empty() && explains_at(reversed, {0, 0, 1}, bytes, first)) {
        result.option = mix_ups.other_pair_order;
        return fault{eprom_verdict::other_pair_order, 0, 0, 0};
    }
    const auto& others = mix_ups.other_wirings;
    const auto other = std::find_if(others.begin(), others.end(), [&](const eprom_other_wiring& wiring) {
        return is_through_wiring(wiring, mix_ups, bytes, first);
    });
    if (other != others.end()) {
        result.option = other->option;
        return fault{eprom_verdict::other_wiring, 0, 0, 0};
    }
    for (std::uint8_t line = 0; line < eprom_address_line_count; ++line) {
        const auto source = [=](unsigned address) { return address ^ (1U << line); };
        if (explains_at(source, {line, 0, std::size_t{1} << line}, bytes, first)) {
            return fault{eprom_verdict::address_line_inverted, line, line, 0};
        }
    }
    const unsigned wrong_lines = summary.read_0_for_1 | summary.read_1_for_0;
    if (summary.differing == eprom_image_size && std::popcount(wrong_lines) == 1) {
        const auto line = static_cast<std::uint8_t>(std::countr_zero(wrong_lines));
        const byte_word lane = bit_0_of_each_byte << line;
        if (explains_bytes([=](byte_word word) { return word ^ lane; }, bytes, first)) {
            return fault{eprom_verdict::data_line_inverted, line, line, 0};
        }
    }
    // 1, -1, 2, -2, ...: the smallest shift first, up before down.
    for (int step = 0; step < 2 * eprom_largest_shift; ++step) {
        const int shift = (step % 2 == 0 ? 1 : -1) * (step / 2 + 1);
        if (is_shifted(shift, bytes, first)) {
            result.shift = shift;
            return fault{eprom_verdict::shifted, 0, 0, 0};
        }
    }
    if (summary.differing == eprom_image_size && wrong_lines == all_data_lines &&
        explains_bytes([](byte_word word) { return ~word; }, bytes, first)) {
        return fault{eprom_verdict::all_bits_inverted, 0, 0, 0};
    }
    return std::nullopt;
}

} // namespace diagnosis_detail

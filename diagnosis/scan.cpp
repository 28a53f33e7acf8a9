#include "diagnosis/scan.h"

namespace diagnosis_detail {

unsigned same_address_lines(const byte_summary& summary) noexcept {
    return (summary.address_all_1 | ~summary.address_any_1) & all_address_lines;
}

byte_summary summarize_bytes(const side_by_side& bytes) noexcept {
    constexpr std::size_t block = 128;
    constexpr unsigned offset_lines = block - 1;
    byte_summary summary;
    std::uint8_t read_0_for_1 = 0;
    std::uint8_t read_1_for_0 = 0;
    std::uint8_t always_1 = 0xFF;
    std::uint8_t ever_1 = 0;
    std::array<std::uint8_t, block> wrong_at_offset{};
    for (std::size_t start = 0; start < eprom_image_size; start += block) {
        std::uint8_t differing_in_block = 0;
        for (std::size_t offset = 0; offset < block; ++offset) {
            const std::uint8_t want = bytes.expected[start + offset];
            const std::uint8_t got = bytes.dump[start + offset];
            read_0_for_1 |= static_cast<std::uint8_t>(want & ~got);
            read_1_for_0 |= static_cast<std::uint8_t>(got & ~want);
            always_1 &= got;
            ever_1 |= got;
            wrong_at_offset[offset] |= static_cast<std::uint8_t>(want ^ got);
            differing_in_block = static_cast<std::uint8_t>(differing_in_block + (want != got ? 1U : 0U));
        }
        if (differing_in_block != 0) {
            summary.differing += differing_in_block;
            summary.address_all_1 &= static_cast<unsigned>(start);
            summary.address_any_1 |= static_cast<unsigned>(start);
        }
    }
    summary.address_all_1 |= offset_lines;
    for (unsigned offset = 0; offset < block; ++offset) {
        if (wrong_at_offset[offset] != 0) {
            summary.address_all_1 &= ~offset_lines | offset;
            summary.address_any_1 |= offset;
        }
    }
    summary.read_0_for_1 = read_0_for_1;
    summary.read_1_for_0 = read_1_for_0;
    summary.always_1 = always_1;
    summary.ever_1 = ever_1;
    return summary;
}

} // namespace diagnosis_detail

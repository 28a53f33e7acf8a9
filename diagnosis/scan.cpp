#include "diagnosis/scan.h"

namespace diagnosis_detail {

unsigned same_address_lines(const byte_summary& summary) noexcept {
    return (summary.address_all_1 | ~summary.address_any_1) & all_address_lines;
}

namespace {

// Adds the wrong bits of the block of 128 bytes from `start` to the summary, and the
// positions in a block at which they lie.
void add_wrong_bits(const side_by_side& bytes, std::size_t start, byte_summary& summary,
                    std::array<std::uint8_t, block_map::block>& wrong_at_offset) noexcept {
    std::uint8_t read_0_for_1 = 0;
    std::uint8_t read_1_for_0 = 0;
    // Gathered here, where nothing else can write them, for the compiler to vectorize.
    std::array<std::uint8_t, block_map::block> wrong{};
    const auto want_bytes = bytes.expected.subspan(start, block_map::block);
    const auto got_bytes = bytes.dump.subspan(start, block_map::block);
    for (std::size_t offset = 0; offset < block_map::block; ++offset) {
        const std::uint8_t want = want_bytes[offset];
        const std::uint8_t got = got_bytes[offset];
        read_0_for_1 |= static_cast<std::uint8_t>(want & ~got);
        read_1_for_0 |= static_cast<std::uint8_t>(got & ~want);
        wrong[offset] = static_cast<std::uint8_t>(want ^ got);
    }
    for (std::size_t offset = 0; offset < block_map::block; ++offset) {
        wrong_at_offset[offset] |= wrong[offset];
    }
    summary.read_0_for_1 |= read_0_for_1;
    summary.read_1_for_0 |= read_1_for_0;
    summary.address_all_1 &= static_cast<unsigned>(start);
    summary.address_any_1 |= static_cast<unsigned>(start);
}

} // namespace

byte_summary summarize_bytes(const side_by_side& bytes) noexcept {
    byte_summary summary;
    std::uint8_t always_1 = 0xFF;
    std::uint8_t ever_1 = 0;
    std::uint8_t image_always_1 = 0xFF;
    std::uint8_t image_ever_1 = 0;
    for (std::size_t start = 0; start < eprom_image_size; start += block_map::block) {
        const auto want_bytes = bytes.expected.subspan(start, block_map::block);
        const auto got_bytes = bytes.dump.subspan(start, block_map::block);
        std::uint8_t differing_in_block = 0;
        for (std::size_t offset = 0; offset < block_map::block; ++offset) {
            const std::uint8_t want = want_bytes[offset];
            const std::uint8_t got = got_bytes[offset];
            always_1 &= got;
            ever_1 |= got;
            image_always_1 &= want;
            image_ever_1 |= want;
            differing_in_block = static_cast<std::uint8_t>(differing_in_block + (want != got ? 1U : 0U));
        }
        if (differing_in_block != 0) {
            summary.differing += differing_in_block;
            summary.blocks.mark(start);
        }
    }
    summary.always_1 = always_1;
    summary.ever_1 = ever_1;
    summary.image_always_1 = image_always_1;
    summary.image_ever_1 = image_ever_1;
    return summary;
}

byte_summary summarize_blocks(const side_by_side& bytes, const block_map& blocks,
                              const byte_summary& dump_lines) noexcept {
    byte_summary summary;
    summary.always_1 = dump_lines.always_1;
    summary.ever_1 = dump_lines.ever_1;
    // The image's lines matter only where a line of the dump reads one level throughout.
    if (((summary.always_1 | ~summary.ever_1) & all_data_lines) != 0) {
        std::uint8_t image_always_1 = 0xFF;
        std::uint8_t image_ever_1 = 0;
        for (const std::uint8_t want : bytes.expected) {
            image_always_1 &= want;
            image_ever_1 |= want;
        }
        summary.image_always_1 = image_always_1;
        summary.image_ever_1 = image_ever_1;
    }
    summary.blocks = blocks;
    for (std::size_t start = 0; start < eprom_image_size; start += block_map::block) {
        if (!blocks.differs(start)) {
            continue;
        }
        std::uint8_t differing_in_block = 0;
        for (std::size_t offset = start; offset < start + block_map::block; ++offset) {
            differing_in_block = static_cast<std::uint8_t>(differing_in_block +
                                                           (bytes.expected[offset] != bytes.dump[offset] ? 1U : 0U));
        }
        summary.differing += differing_in_block;
    }
    return summary;
}

void add_wrong_bits(const side_by_side& bytes, byte_summary& summary) noexcept {
    if (summary.wrong_bits_added) {
        return;
    }
    summary.wrong_bits_added = true;
    std::array<std::uint8_t, block_map::block> wrong_at_offset{};
    for (std::size_t start = 0; start < eprom_image_size; start += block_map::block) {
        if (summary.blocks.differs(start)) {
            add_wrong_bits(bytes, start, summary, wrong_at_offset);
        }
    }
    // The positions in a block at which some byte differs give the low address lines.
    constexpr unsigned offset_lines = block_map::block - 1;
    summary.address_all_1 |= offset_lines;
    for (unsigned offset = 0; offset < block_map::block; ++offset) {
        if (wrong_at_offset[offset] != 0) {
            summary.address_all_1 &= ~offset_lines | offset;
            summary.address_any_1 |= offset;
        }
    }
}

namespace {

// The first address from `lowest` below `highest` at which the image and the dump differ
// (`differ`) or agree, or `highest` when there is none; blocks without a difference are
// skipped whole.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the lowest address, then the highest, as a range has them
std::size_t first_where(const side_by_side& bytes, const block_map& blocks, std::size_t lowest, std::size_t highest,
                        bool differ) noexcept {
    std::size_t address = lowest;
    while (address < highest) {
        if (!blocks.differs(address)) {
            if (!differ) {
                return address;
            }
            address = (address | (block_map::block - 1)) + 1;
            continue;
        }
        if ((bytes.expected[address] != bytes.dump[address]) == differ) {
            return address;
        }
        ++address;
    }
    return highest;
}

// The 6-bit number `value` read backwards: segments in this order spread over the chip
// from the first ones on.
constexpr unsigned reversed_6(unsigned value) noexcept {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 6; ++bit) {
        reversed |= ((value >> bit) & 1U) << (5 - bit);
    }
    return reversed;
}

} // namespace

sampled_places sample_places(const side_by_side& bytes, const block_map& blocks) noexcept {
    sampled_places places;
    // One wrong byte from each 1 KiB segment that has one: the first from a point that
    // moves from segment to segment (a fault that repeats is not sampled at one offset
    // only), round to the segment's start; one right byte from every other segment.
    constexpr std::size_t segment = eprom_image_size / sampled_places::most_wrong;
    static_assert(sampled_places::most_wrong == 64 && sampled_places::most_right * 2 == sampled_places::most_wrong);
    const auto point = [](unsigned index) { return (index * std::size_t{0x2B7}) % segment; };
    for (unsigned index = 0; index < sampled_places::most_wrong; ++index) {
        const std::size_t start = reversed_6(index) * segment;
        const std::size_t moved = start + point(index);
        std::size_t wrong = first_where(bytes, blocks, moved, start + segment, true);
        if (wrong == start + segment) {
            wrong = first_where(bytes, blocks, start, moved, true);
            wrong = wrong == moved ? start + segment : wrong;
        }
        if (wrong < start + segment) {
            places.addresses[places.wrong++] = static_cast<std::uint16_t>(wrong);
        }
    }
    // Where nearly every byte differs, a right byte is looked for a little way only.
    constexpr std::size_t right_search = 64;
    for (unsigned index = 0; index < sampled_places::most_right; ++index) {
        const std::size_t start = (2 * index + 1) * segment + point(index + 7) % (segment - right_search);
        const std::size_t right = first_where(bytes, blocks, start, start + right_search, false);
        if (right < start + right_search) {
            places.addresses[places.wrong + places.right++] = static_cast<std::uint16_t>(right);
        }
    }
    return places;
}

std::size_t count_differing(image_span read, image_span dump, std::size_t begin, std::size_t end,
                            block_map& blocks) noexcept {
    std::size_t differing = 0;
    for (std::size_t start = begin; start < end; start += block_map::block) {
        std::uint8_t in_block = 0;
        for (std::size_t address = start; address < start + block_map::block; ++address) {
            in_block = static_cast<std::uint8_t>(in_block + (read[address] != dump[address] ? 1U : 0U));
        }
        differing += in_block;
        if (in_block != 0) {
            blocks.mark(start);
        }
    }
    return differing;
}

} // namespace diagnosis_detail

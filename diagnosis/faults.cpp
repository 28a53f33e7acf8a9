// What each fault reads. A data fault changes each byte alone (the lines stuck, swapped,
// shorted or inverted); an address fault reads at each address the byte of another
// (a line stuck, two swapped or shorted, a line inverted, every line inverted: the image
// of the other pair order); another wiring does both; a shift moves every byte.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

namespace {

bool is_data_fault(eprom_verdict verdict) noexcept {
    switch (verdict) {
    case eprom_verdict::data_line_stuck:
    case eprom_verdict::data_lines_swapped:
    case eprom_verdict::data_lines_shorted:
    case eprom_verdict::data_line_inverted:
    case eprom_verdict::all_bits_inverted:
    case eprom_verdict::data_lines_stuck:
        return true;
    default:
        return false;
    }
}

// A data fault as masks, where it is one: the byte read is ((byte & keep) | set) ^ flip.
struct data_masks {
    unsigned keep = 0xFF;
    unsigned set = 0;
    unsigned flip = 0;
};

bool as_masks(const fault& read_as, data_masks& masks) noexcept {
    const auto line = [&] { return 1U << read_as.lower; };
    switch (read_as.verdict) {
    case eprom_verdict::data_line_stuck:
        masks = {0xFFU & ~line(), read_as.level != 0 ? line() : 0U, 0};
        return true;
    case eprom_verdict::data_lines_stuck:
        masks = {0xFFU & ~unsigned{read_as.lower}, read_as.level, 0};
        return true;
    case eprom_verdict::data_line_inverted:
        masks = {0xFF, 0, line()};
        return true;
    case eprom_verdict::all_bits_inverted:
        masks = {0xFF, 0, 0xFF};
        return true;
    default:
        return false;
    }
}

// Both lines of a short read their AND (level 0) or their OR (level 1).
unsigned shorted(unsigned value, unsigned line, unsigned other, bool wired_or) noexcept {
    const unsigned both =
        wired_or ? bit_of(value, line) | bit_of(value, other) : bit_of(value, line) & bit_of(value, other);
    return (value & ~((1U << line) | (1U << other))) | (both << line) | (both << other);
}

std::uint8_t data_read(const fault& read_as, std::uint8_t byte) noexcept {
    data_masks masks;
    if (as_masks(read_as, masks)) {
        return static_cast<std::uint8_t>(((byte & masks.keep) | masks.set) ^ masks.flip);
    }
    if (read_as.verdict == eprom_verdict::data_lines_swapped) {
        return static_cast<std::uint8_t>(swap_bits(byte, read_as.lower, read_as.upper));
    }
    return static_cast<std::uint8_t>(shorted(byte, read_as.lower, read_as.upper, read_as.level != 0));
}

// Calls `with(source)` with the address fault as a function that gives, for an address,
// the address whose byte it reads there.
template <typename With>
auto with_source(const fault& read_as, With with) {
    const unsigned lower = read_as.lower;
    const unsigned upper = read_as.upper;
    switch (read_as.verdict) {
    case eprom_verdict::address_line_stuck: {
        const unsigned level = unsigned{read_as.level} << lower;
        return with([=](unsigned address) { return (address & ~(1U << lower)) | level; });
    }
    case eprom_verdict::address_lines_swapped:
        return with([=](unsigned address) { return swap_bits(address, lower, upper); });
    case eprom_verdict::address_lines_shorted: {
        const bool wired_or = read_as.level != 0;
        return with([=](unsigned address) { return shorted(address, lower, upper, wired_or); });
    }
    case eprom_verdict::address_line_inverted:
        return with([=](unsigned address) { return address ^ (1U << lower); });
    default: // other_pair_order: every input inverted, so every address line
        return with([](unsigned address) { return address ^ all_address_lines; });
    }
}

// The lowest address line an address fault changes: it moves runs of 2^that bytes whole.
unsigned lowest_moved(const fault& read_as) noexcept {
    return read_as.verdict == eprom_verdict::other_pair_order ? 0U : read_as.lower;
}

void read_data_fault(const fault& read_as, image_span image, image_bytes out, std::size_t begin,
                     std::size_t end) noexcept {
    data_masks masks;
    if (as_masks(read_as, masks)) {
        const auto keep = static_cast<std::uint8_t>(masks.keep);
        const auto set = static_cast<std::uint8_t>(masks.set);
        const auto flip = static_cast<std::uint8_t>(masks.flip);
        for (std::size_t address = begin; address < end; ++address) {
            out[address] = static_cast<std::uint8_t>(((image[address] & keep) | set) ^ flip);
        }
        return;
    }
    // Swapped or shorted: eight bytes at a time, the lower line's bit of each byte moved
    // by the lines' distance.
    const unsigned distance = read_as.upper - read_as.lower;
    const byte_word lane = bit_0_of_each_byte << read_as.lower;
    const byte_word both_lanes = lane | (lane << distance);
    const bool swap = read_as.verdict == eprom_verdict::data_lines_swapped;
    const bool wired_or = read_as.level != 0;
    for (std::size_t address = begin; address < end; address += sizeof(byte_word)) {
        const byte_word word = load_word(image, address);
        byte_word read = 0;
        if (swap) {
            const byte_word differ = ((word >> distance) ^ word) & lane;
            read = word ^ differ ^ (differ << distance);
        } else {
            const byte_word at_lower = word & lane;
            const byte_word at_upper = (word >> distance) & lane;
            const byte_word both = wired_or ? (at_lower | at_upper) : (at_lower & at_upper);
            read = (word & ~both_lanes) | both | (both << distance);
        }
        std::memcpy(out.subspan(address, sizeof read).data(), &read, sizeof read);
    }
}

// Runs of 2^lowest bytes, eight or more, copied whole.
template <typename Source>
void copy_runs(Source source, unsigned lowest, image_span image, image_bytes out, std::size_t begin,
               std::size_t end) noexcept {
    const std::size_t run = std::min(std::size_t{1} << lowest, end - begin);
    for (std::size_t start = begin; start < end; start += run) {
        const std::size_t from = source(static_cast<unsigned>(start));
        std::memcpy(out.subspan(start, run).data(), image.subspan(from, run).data(), run);
    }
}

// Runs shorter than eight bytes, a row of 256 bytes at a time: each aligned block of eight
// reads its bytes at fixed XOR offsets from the address its first byte comes from, and
// that address is a fixed XOR offset from where the row's first byte comes from. Both
// offsets depend at most on the level of `by_line` (a short's upper line; none: 0), when
// it lies above the block or above the row.
template <typename Source>
void read_short_runs(Source source, unsigned by_line, image_span image, image_bytes out, std::size_t begin,
                     std::size_t end) noexcept {
    constexpr std::size_t block = 8;
    constexpr std::size_t row = 256;
    // As wide as an index: no conversion per byte.
    using offsets = std::array<std::size_t, block>;
    using block_offsets = std::array<std::size_t, row / block>;
    // Where each of `count` addresses `step` apart from `start` comes from, as an offset
    // from where `start` does.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): a count, then the step, as a loop has them
    const auto moves_from = [&](unsigned start, unsigned count, unsigned step) {
        block_offsets moves{};
        const unsigned from = source(start);
        for (unsigned index = 0; index < count; ++index) {
            moves.at(index) = source(start + index * step) ^ from;
        }
        return moves;
    };
    const bool by_block = by_line >= 3;
    const bool by_row = by_line >= 8;
    std::array<offsets, 2> byte_moves{};
    std::array<block_offsets, 2> row_moves{};
    for (unsigned level = 0; level < 2; ++level) {
        const auto byte_level = moves_from(by_block ? level << by_line : 0U, block, 1);
        std::copy_n(byte_level.begin(), block, byte_moves.at(level).begin());
        row_moves.at(level) = moves_from(by_row ? level << by_line : 0U, row / block, block);
    }
    for (std::size_t row_start = begin; row_start < end; row_start += row) {
        const unsigned row_from = source(static_cast<unsigned>(row_start));
        const block_offsets& blocks = row_moves[by_row ? bit_of(static_cast<unsigned>(row_start), by_line) : 0U];
        for (std::size_t index = 0; index < row / block; ++index) {
            const std::size_t start = row_start + index * block;
            const offsets& moves = byte_moves[by_block ? bit_of(static_cast<unsigned>(start), by_line) : 0U];
            const std::size_t from = row_from ^ blocks[index];
            for (std::size_t offset = 0; offset < block; ++offset) {
                out[start + offset] = image[from ^ moves[offset]];
            }
        }
    }
}

void read_address_fault(const fault& read_as, image_span image, image_bytes out, std::size_t begin,
                        std::size_t end) noexcept {
    const unsigned lowest = lowest_moved(read_as);
    const unsigned by_line = read_as.verdict == eprom_verdict::address_lines_shorted ? read_as.upper : 0U;
    with_source(read_as, [&](auto source) {
        if (lowest >= 3) {
            copy_runs(source, lowest, image, out, begin, end);
        } else {
            read_short_runs(source, by_line, image, out, begin, end);
        }
    });
}

// Through another wiring, a block of eight addresses at a time: the address a byte of the
// block comes from is the one its first byte comes from, XORed with a fixed offset (both
// ways of a wiring are affine).
void read_other_wiring(const fault_reader::wiring_tables& tables, image_span image, image_bytes out, std::size_t begin,
                       std::size_t end) noexcept {
    constexpr std::size_t block = 8;
    std::array<std::size_t, block> moves{}; // as wide as an index: no conversion per byte
    for (std::size_t offset = 0; offset < block; ++offset) {
        moves[offset] = std::size_t{tables.from_low[offset]} ^ tables.from_low[0];
    }
    for (std::size_t start = begin; start < end; start += block) {
        const std::size_t from = std::size_t{tables.from_low[start & 0xFFU]} ^ tables.from_high[start >> 8];
        for (std::size_t offset = 0; offset < block; ++offset) {
            out[start + offset] = tables.read_for[image[from ^ moves[offset]]];
        }
    }
}

// At how many places `read(address)` is not the dump's byte, counted up to most + 1.
template <typename Read>
std::size_t count_misses(Read read, std::span<const std::uint16_t> places, image_span dump, std::size_t most) {
    std::size_t missed = 0;
    for (const std::uint16_t address : places) {
        if (read(address) != dump[address] && ++missed > most) {
            break;
        }
    }
    return missed;
}

} // namespace

fault_reader::fault_reader(image_span image, const eprom_mix_ups& mix_ups) : image_(image) {
    for (const eprom_other_wiring& other : mix_ups.other_wirings) {
        const wiring_mix_up mix_up = describe_wiring_mix_up(other.wiring, mix_ups.wiring);
        wiring_tables& tables = wirings_.emplace_back();
        tables.from_low[0] = mix_up.address_flip;
        tables.read_for[0] = mix_up.data_flip;
        for (unsigned value = 1; value < 256; ++value) {
            const auto line = static_cast<unsigned>(std::countr_zero(value));
            const unsigned rest = value & (value - 1U);
            tables.from_low.at(value) =
                static_cast<std::uint16_t>(tables.from_low.at(rest) ^ mix_up.address_bit.at(line));
            tables.from_high.at(value) =
                static_cast<std::uint16_t>(tables.from_high.at(rest) ^ mix_up.address_bit.at(line + 8));
            tables.read_for.at(value) = static_cast<std::uint8_t>(tables.read_for.at(rest) ^ mix_up.data_bit.at(line));
        }
    }
}

std::size_t fault_reader::misses(const fault& read_as, std::span<const std::uint16_t> places, image_span dump,
                                 std::size_t most) const noexcept {
    const image_span image = image_;
    const auto through_source = [&](auto source) {
        return count_misses([&](unsigned address) { return image[source(address)]; }, places, dump, most);
    };
    data_masks masks;
    if (as_masks(read_as, masks)) {
        return count_misses(
            [&](unsigned address) {
                return static_cast<std::uint8_t>(((image[address] & masks.keep) | masks.set) ^ masks.flip);
            },
            places, dump, most);
    }
    switch (read_as.verdict) {
    case eprom_verdict::data_lines_swapped:
    case eprom_verdict::data_lines_shorted:
        return count_misses([&](unsigned address) { return data_read(read_as, image[address]); }, places, dump, most);
    case eprom_verdict::address_line_stuck:
    case eprom_verdict::address_lines_swapped:
    case eprom_verdict::address_lines_shorted:
    case eprom_verdict::address_line_inverted:
    case eprom_verdict::other_pair_order:
        return with_source(read_as, through_source);
    case eprom_verdict::other_wiring: {
        const wiring_tables& tables = wirings_[read_as.lower];
        return count_misses(
            [&](unsigned address) {
                return tables.read_for[image[tables.from_low[address & 0xFFU] ^ tables.from_high[address >> 8]]];
            },
            places, dump, most);
    }
    default: // shifted
        return count_misses([&](unsigned address) { return shift_reads(read_as.shift, image, address, dump[address]); },
                            places, dump, most);
    }
}

void fault_reader::read_through(const fault& read_as, image_span dump, image_bytes out, std::size_t begin,
                                std::size_t end) const noexcept {
    if (is_data_fault(read_as.verdict)) {
        read_data_fault(read_as, image_, out, begin, end);
    } else if (read_as.verdict == eprom_verdict::other_wiring) {
        read_other_wiring(wirings_[read_as.lower], image_, out, begin, end);
    } else if (read_as.verdict == eprom_verdict::shifted) {
        read_shifted(read_as.shift, image_, dump, out, begin, end);
    } else {
        read_address_fault(read_as, image_, out, begin, end);
    }
}

} // namespace diagnosis_detail

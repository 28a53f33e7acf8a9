#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "diagnosis/diagnosis.h"

// Every hypothesis is first held against what one pass over the whole dump has gathered
// (which data lines are ever wrong, and which way) or against the differing addresses,
// and checked byte for byte only when those leave it standing: a dump the fault does not
// explain is rejected after a few bytes, not after a pass per hypothesis.

namespace {

using image_span = std::span<const std::uint8_t, eprom_image_size>;

constexpr unsigned all_data_lines = 0xFFU;
constexpr unsigned all_address_lines = 0xFFFFU;

// The image and a dump of the same size.
struct side_by_side {
    image_span expected;
    image_span dump;
};

// What a single pass over every byte tells, in loops the compiler vectorizes: the count
// of each block fits in a byte, and each position in a block has its own byte of wrong
// bits, from which the low address lines of the differences are read.
struct byte_summary {
    std::size_t differing = 0;
    unsigned read_0_for_1 = 0;          // data lines on which some 1 reads as 0
    unsigned read_1_for_0 = 0;          // data lines on which some 0 reads as 1
    unsigned always_1 = all_data_lines; // data lines that read 1 at every address
    unsigned ever_1 = 0;                // data lines that read 1 at some address
    // Over the differing addresses: the address lines at 1 at every one, and at some.
    unsigned address_all_1 = all_address_lines;
    unsigned address_any_1 = 0;
};

// The address lines at one level at every difference.
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

// Calls visit(address) for each differing address in ascending order until it returns
// false. Equal stretches are skipped a block at a time.
template <typename Visit>
void for_each_difference(const side_by_side& bytes, Visit visit) {
    constexpr std::size_t block = 64;
    for (std::size_t start = 0; start < eprom_image_size; start += block) {
        if (std::memcmp(bytes.expected.subspan(start, block).data(), bytes.dump.subspan(start, block).data(), block) ==
            0) {
            continue;
        }
        for (std::size_t address = start; address < start + block; ++address) {
            if (bytes.expected[address] != bytes.dump[address] && !visit(address)) {
                return;
            }
        }
    }
}

// Eight bytes at once, each in its own eight bits of a word: the data faults and the
// tally touch no bit across bytes, so the order of the bytes in the word does not matter.
using byte_word = std::uint64_t;
constexpr byte_word bit_0_of_each_byte = 0x0101010101010101U;

byte_word load_word(image_span bytes, std::size_t address) noexcept {
    byte_word word = 0;
    std::memcpy(&word, bytes.subspan(address, sizeof word).data(), sizeof word);
    return word;
}

// A fault of the data lines, given as fault(w): the word read where the image holds w.
template <typename Fault>
bool explains_bytes(Fault fault, const side_by_side& bytes, std::span<const eprom_difference> first) {
    const auto wrong = [&](const eprom_difference& difference) {
        return (fault(byte_word{difference.expected}) & all_data_lines) != difference.read;
    };
    if (std::any_of(first.begin(), first.end(), wrong)) {
        return false;
    }
    for (std::size_t address = 0; address < eprom_image_size; address += sizeof(byte_word)) {
        if (fault(load_word(bytes.expected, address)) != load_word(bytes.dump, address)) {
            return false;
        }
    }
    return true;
}

// The runs of addresses an address fault moves: 2^lowest addresses long; those that need
// checking begin at `first`, one every `step` addresses.
struct checked_runs {
    unsigned lowest;
    std::size_t first;
    std::size_t step;
};

// Whether the dump holds at every address the image's byte at source(address), a Unit
// (1, 2, 4 or 8 bytes: a run) at a time, a chunk at a time: where each run of a chunk
// comes from relative to the chunk's source is worked out once, and the chunk is
// compared whole, with no branch per run.
template <typename Unit, typename Source>
bool explains_in_chunks(Source source, const side_by_side& bytes) {
    constexpr std::size_t chunk = 32;
    constexpr std::size_t unit = sizeof(Unit);
    std::array<std::uint16_t, chunk / unit> moves{};
    for (std::size_t k = 0; k < moves.size(); ++k) {
        moves[k] = static_cast<std::uint16_t>(source(static_cast<unsigned>(k * unit)) ^ source(0));
    }
    const auto load = [](image_span from, std::size_t address) {
        Unit value = 0;
        std::memcpy(&value, from.subspan(address, unit).data(), unit);
        return value;
    };
    for (std::size_t start = 0; start < eprom_image_size; start += chunk) {
        const std::size_t from = source(static_cast<unsigned>(start));
        Unit wrong = 0;
        for (std::size_t k = 0; k < moves.size(); ++k) {
            wrong |= static_cast<Unit>(load(bytes.dump, start + k * unit) ^ load(bytes.expected, from ^ moves[k]));
        }
        if (wrong != 0) {
            return false;
        }
    }
    return true;
}

// A fault of the address lines, given as source(a): the address whose byte the dump holds
// at a. It changes no line below A<runs.lowest>, so it moves whole runs; runs of 16
// bytes or more are compared only where `runs` says, shorter ones everywhere. Each line
// of source(a) is a line of a, maybe inverted, or a constant (a stuck line or a swap is),
// so that source(s + o) = source(s) ^ source(o) ^ source(0) for o below a power of two
// that divides s: short runs are checked a chunk at a time through a table of offsets.
template <typename Source>
bool explains_at(Source source, const checked_runs& runs, const side_by_side& bytes,
                 std::span<const eprom_difference> first) {
    const auto wrong = [&](const eprom_difference& difference) {
        return bytes.expected[source(difference.address)] != difference.read;
    };
    if (std::any_of(first.begin(), first.end(), wrong)) {
        return false;
    }
    switch (runs.lowest) {
    case 0:
        return explains_in_chunks<std::uint8_t>(source, bytes);
    case 1:
        return explains_in_chunks<std::uint16_t>(source, bytes);
    case 2:
        return explains_in_chunks<std::uint32_t>(source, bytes);
    case 3:
        return explains_in_chunks<std::uint64_t>(source, bytes);
    default:
        break;
    }
    const std::size_t run = std::size_t{1} << runs.lowest;
    for (std::size_t start = runs.first; start < eprom_image_size; start += runs.step) {
        const std::size_t from = source(static_cast<unsigned>(start));
        if (std::memcmp(bytes.dump.subspan(start, run).data(), bytes.expected.subspan(from, run).data(), run) != 0) {
            return false;
        }
    }
    return true;
}

unsigned bit_of(unsigned value, unsigned line) noexcept {
    return (value >> line) & 1U;
}

unsigned swap_bits(unsigned value, unsigned line, unsigned other) noexcept {
    const unsigned differ = bit_of(value, line) ^ bit_of(value, other);
    return value ^ (differ << line) ^ (differ << other);
}

// A diagnosis: the lines it names (lower < upper, or both the one line) and the level.
struct fault {
    eprom_verdict verdict;
    std::uint8_t lower;
    std::uint8_t upper;
    std::uint8_t level;
};

// Data faults 1-4, or nothing.
std::optional<fault> find_data_fault(const side_by_side& bytes, const byte_summary& summary,
                                     std::span<const eprom_difference> first) {
    if (summary.always_1 == all_data_lines) {
        return fault{eprom_verdict::blank, 0, 0, 0};
    }
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

// How many of the words added have each of their 64 bits set: slice k holds bit k of
// every count. Words come four at a time through carry-save adders, so that only one
// word in four ripples its carries up through the slices.
class bit_counts {
public:
    void add_four(const std::array<byte_word, 4>& words) noexcept {
        const byte_word twos = add_to_slice(slices_[0], words[0], words[1]);
        const byte_word more_twos = add_to_slice(slices_[0], words[2], words[3]);
        byte_word carry = add_to_slice(slices_[1], twos, more_twos);
        for (std::size_t k = 2; k < slices_.size() && carry != 0; ++k) {
            const byte_word next = slices_[k] & carry;
            slices_[k] ^= carry;
            carry = next;
        }
    }

    // The count of line `line` over the eight bytes of the words.
    [[nodiscard]] std::uint32_t line_total(unsigned line) const noexcept {
        std::uint32_t total = 0;
        for (std::size_t k = 0; k < slices_.size(); ++k) {
            total += static_cast<std::uint32_t>(std::popcount(slices_[k] & (bit_0_of_each_byte << line))) << k;
        }
        return total;
    }

private:
    // Adds two words to the slice; returns the carries into the next one.
    static byte_word add_to_slice(byte_word& slice, byte_word first, byte_word second) noexcept {
        const byte_word half = slice ^ first;
        const byte_word carry = (slice & first) | (half & second);
        slice = half ^ second;
        return carry;
    }

    // Enough for a count of every word of the image.
    std::array<byte_word, std::bit_width(eprom_image_size / sizeof(byte_word))> slices_{};
};

void tally_wrong_bits(const side_by_side& bytes, eprom_verification& result) {
    bit_counts read_0_for_1;
    bit_counts read_1_for_0;
    constexpr std::size_t step = 4 * sizeof(byte_word);
    static_assert(eprom_image_size % step == 0);
    for (std::size_t address = 0; address < eprom_image_size; address += step) {
        std::array<byte_word, 4> want{};
        std::array<byte_word, 4> got{};
        for (std::size_t k = 0; k < want.size(); ++k) {
            want[k] = load_word(bytes.expected, address + k * sizeof(byte_word));
            got[k] = load_word(bytes.dump, address + k * sizeof(byte_word));
        }
        if (want == got) {
            continue;
        }
        std::array<byte_word, 4> ones_lost{};
        std::array<byte_word, 4> ones_gained{};
        for (std::size_t k = 0; k < want.size(); ++k) {
            ones_lost[k] = want[k] & ~got[k];
            ones_gained[k] = got[k] & ~want[k];
        }
        read_0_for_1.add_four(ones_lost);
        read_1_for_0.add_four(ones_gained);
    }
    for (unsigned line = 0; line < eprom_data_line_count; ++line) {
        result.data_line_errors[line] = {read_0_for_1.line_total(line), read_1_for_0.line_total(line)};
    }
}

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

void verify_whole_image(const side_by_side& bytes, const eprom_mix_ups& mix_ups, eprom_verification& result) {
    if (std::memcmp(bytes.expected.data(), bytes.dump.data(), eprom_image_size) == 0) {
        return;
    }
    const byte_summary summary = summarize_bytes(bytes);
    result.differing_bytes = summary.differing;
    result.first_differences.reserve(eprom_differences_shown);
    for_each_difference(bytes, [&](std::size_t address) {
        result.first_differences.push_back(
            {static_cast<std::uint16_t>(address), bytes.expected[address], bytes.dump[address]});
        return result.first_differences.size() < eprom_differences_shown;
    });
    const std::span<const eprom_difference> first = result.first_differences;

    std::optional<fault> found = find_data_fault(bytes, summary, first);
    if (!found) {
        found = find_address_fault(bytes, summary, first);
    }
    if (found) {
        result.verdict = found->verdict;
        result.line_m = found->lower;
        result.line_n = found->upper;
        result.level = found->level;
        return;
    }
    if (summary.read_1_for_0 == 0) {
        result.verdict = eprom_verdict::not_erased;
        return;
    }
    if (summary.read_0_for_1 == 0) {
        result.verdict = eprom_verdict::not_fully_programmed;
        return;
    }
    if (const auto mix_up = find_mix_up(bytes, summary, first, mix_ups, result)) {
        result.verdict = mix_up->verdict;
        result.line_m = mix_up->lower;
        result.line_n = mix_up->upper;
        return;
    }
    result.verdict = eprom_verdict::unexplained;
    tally_wrong_bits(bytes, result);
    result.same_address_lines = static_cast<std::uint16_t>(same_address_lines(summary));
    result.same_address_levels = static_cast<std::uint16_t>(summary.address_all_1 & same_address_lines(summary));
}

// A dump of a smaller chip read in the adapter's socket: a power of two of bytes that
// equals the image at an offset that is a multiple of its size.
void find_part(image_span expected, std::span<const std::uint8_t> dump, eprom_verification& result) {
    constexpr std::size_t smallest_part = 1024;
    const std::size_t size = dump.size();
    if (size < smallest_part || size >= eprom_image_size || !std::has_single_bit(size)) {
        return;
    }
    static_assert(eprom_image_size / smallest_part <= 64, "one bit of `parts` for each part");
    for (std::size_t offset = 0; offset < eprom_image_size; offset += size) {
        if (std::memcmp(expected.subspan(offset, size).data(), dump.data(), size) == 0) {
            if (!result.is_part) {
                result.part_offset = offset;
            }
            result.is_part = true;
            result.parts |= std::uint64_t{1} << (offset / size);
        }
    }
}

} // namespace

eprom_verification verify_eprom_dump(image_span expected, std::span<const std::uint8_t> dump,
                                     const eprom_mix_ups& mix_ups) {
    eprom_verification result;
    result.dump_size = dump.size();
    if (dump.size() != eprom_image_size) {
        result.verdict = eprom_verdict::wrong_size;
        find_part(expected, dump, result);
        return result;
    }
    verify_whole_image({expected, dump.first<eprom_image_size>()}, mix_ups, result);
    return result;
}

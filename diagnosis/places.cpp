// Where the differences lie and how the wrong bits fall: counts per data line, the
// ranges of wrong bytes, the address pattern they share, scattered bits.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

namespace {

// How many of the words added have each of their 64 bits set: slice k holds bit k of
// every count. Sixteen words at a time go through a tree of carry-save adders (Harley and
// Seal's), so that only one word in sixteen ripples its carries up through the slices.
class bit_counts {
public:
    static constexpr std::size_t words_at_once = 16;

    void add_sixteen(const std::array<byte_word, words_at_once>& words) noexcept {
        std::array<byte_word, 2> fours{};
        for (std::size_t half = 0; half < 2; ++half) {
            std::array<byte_word, 2> twos{};
            for (std::size_t quarter = 0; quarter < 2; ++quarter) {
                const std::size_t first = half * 8 + quarter * 4;
                const byte_word low = add_to_slice(slices_[0], words[first], words[first + 1]);
                const byte_word high = add_to_slice(slices_[0], words[first + 2], words[first + 3]);
                twos[quarter] = add_to_slice(slices_[1], low, high);
            }
            fours[half] = add_to_slice(slices_[2], twos[0], twos[1]);
        }
        byte_word carry = add_to_slice(slices_[3], fours[0], fours[1]);
        for (std::size_t k = 4; k < slices_.size() && carry != 0; ++k) {
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

// Gathers the ranges of wrong bytes in address order, and the most wrong bytes in one.
class range_builder {
public:
    explicit range_builder(std::vector<eprom_range>& ranges) : ranges_(ranges) {}

    // A byte that equals the image's, read as `got`.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): an address, then the byte read there
    void equal(std::size_t address, std::uint8_t got) noexcept {
        if (!open_) {
            return;
        }
        gap_all_ff_ = gap_all_ff_ && got == 0xFF;
        gap_all_00_ = gap_all_00_ && got == 0x00;
        if (address - last_ > eprom_range_gap && !(all_ff_ && gap_all_ff_) && !(all_00_ && gap_all_00_)) {
            close();
        }
    }

    // A wrong byte, read as `got`.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): an address, then the byte read there
    void wrong(std::size_t address, std::uint8_t got) {
        // A range that reads 0xFF (or 0x00) throughout ends where a byte reads otherwise.
        if (open_ && ((all_ff_ && got != 0xFF) || (all_00_ && got != 0x00))) {
            close();
        }
        if (open_) {
            all_ff_ = all_ff_ && gap_all_ff_ && got == 0xFF;
            all_00_ = all_00_ && gap_all_00_ && got == 0x00;
            ++wrong_;
        } else {
            open_ = true;
            first_ = address;
            wrong_ = 1;
            all_ff_ = got == 0xFF;
            all_00_ = got == 0x00;
        }
        last_ = address;
        gap_all_ff_ = true;
        gap_all_00_ = true;
    }

    [[nodiscard]] bool is_open() const noexcept {
        return open_;
    }

    // Whether the range is open and reads one value throughout, which the next bytes
    // read throughout (read_ff: 0xFF, read_00: 0x00), equal bytes since its last wrong
    // one included.
    [[nodiscard]] bool takes_uniform(bool read_ff, bool read_00) const noexcept {
        return open_ && ((all_ff_ && gap_all_ff_ && read_ff) || (all_00_ && gap_all_00_ && read_00));
    }
    [[nodiscard]] bool reads_other_values() const noexcept {
        return open_ && !all_ff_ && !all_00_;
    }
    [[nodiscard]] std::size_t last() const noexcept {
        return last_;
    }
    // `wrong` more wrong bytes, the last at `last`, that keep the range as it reads.
    void grow(std::size_t wrong, std::size_t last) noexcept {
        wrong_ += wrong;
        last_ = last;
        gap_all_ff_ = true;
        gap_all_00_ = true;
    }

    void close() {
        if (!open_) {
            return;
        }
        open_ = false;
        most_wrong_ = std::max(most_wrong_, wrong_);
        every_range_00_ = every_range_00_ && all_00_;
        const eprom_range_reading reading = all_ff_   ? eprom_range_reading::all_ff
                                            : all_00_ ? eprom_range_reading::all_00
                                                      : eprom_range_reading::other;
        ranges_.push_back({static_cast<std::uint16_t>(first_), static_cast<std::uint16_t>(last_),
                           static_cast<std::uint32_t>(wrong_), reading});
    }

    [[nodiscard]] place_facts facts() const noexcept {
        return {most_wrong_, every_range_00_};
    }

private:
    std::vector<eprom_range>& ranges_;
    bool open_ = false;
    std::size_t first_ = 0;
    std::size_t last_ = 0;
    std::size_t wrong_ = 0;
    bool all_ff_ = false;
    bool all_00_ = false;
    bool gap_all_ff_ = true;
    bool gap_all_00_ = true;
    std::size_t most_wrong_ = 0;
    bool every_range_00_ = true;
};

// The high bit of each byte of the word that is not 0.
constexpr byte_word nonzero_bytes(byte_word word) noexcept {
    constexpr byte_word low_bits = ~(bit_0_of_each_byte << 7);
    return (((word & low_bits) + low_bits) | word) & ~low_bits;
}

// What a block of the dump holds, counted in a loop the compiler vectorizes.
struct block_counts {
    unsigned differing = 0;
    unsigned read_ff = 0;
    unsigned read_00 = 0;
};

constexpr std::size_t range_block = 64;
static_assert(range_block > eprom_range_gap);

block_counts count_block(const side_by_side& bytes, std::size_t start) noexcept {
    std::uint8_t differing = 0;
    std::uint8_t read_ff = 0;
    std::uint8_t read_00 = 0;
    for (std::size_t address = start; address < start + range_block; ++address) {
        const std::uint8_t got = bytes.dump[address];
        differing = static_cast<std::uint8_t>(differing + (got != bytes.expected[address] ? 1U : 0U));
        read_ff = static_cast<std::uint8_t>(read_ff + (got == 0xFF ? 1U : 0U));
        read_00 = static_cast<std::uint8_t>(read_00 + (got == 0x00 ? 1U : 0U));
    }
    return {differing, read_ff, read_00};
}

// The last differing address of a block that has one.
std::size_t last_difference(const side_by_side& bytes, std::size_t start) noexcept {
    std::size_t address = start + range_block - 1;
    while (bytes.dump[address] == bytes.expected[address]) {
        --address;
    }
    return address;
}

// Bit k: byte start + k differs, for the block of 64 bytes from `start`.
std::uint64_t differing_bytes(const side_by_side& bytes, std::size_t start) noexcept {
    static_assert(range_block == 64);
    std::uint64_t wrong = 0;
    for (std::size_t word = 0; word < range_block / sizeof(byte_word); ++word) {
        const std::size_t address = start + word * sizeof(byte_word);
        std::uint64_t in_word = 0;
        if constexpr (std::endian::native == std::endian::little) {
            // Bit 8k + 7 (byte k differs) moved to bit k of the top byte: each lands
            // alone, so there are no carries.
            const byte_word high_bits =
                nonzero_bytes(load_word(bytes.expected, address) ^ load_word(bytes.dump, address));
            in_word = ((high_bits >> 7) * 0x0102040810204080U) >> 56;
        } else {
            for (std::size_t k = 0; k < sizeof(byte_word); ++k) {
                in_word |= static_cast<std::uint64_t>(bytes.expected[address + k] != bytes.dump[address + k]) << k;
            }
        }
        wrong |= in_word << (word * sizeof(byte_word));
    }
    return wrong;
}

// Whether, between the first and the last wrong byte of `wrong` (bit k: byte k), there is
// a run of Length (at most 16) right ones.
template <unsigned Length>
bool has_gap(std::uint64_t wrong) noexcept {
    constexpr unsigned length = Length;
    // Right bytes after the first wrong one: runs that reach the block's end go on into
    // the next block, and are counted there.
    std::uint64_t runs = ~wrong & ~((std::uint64_t{1} << std::countr_zero(wrong)) - 1U);
    runs &= (std::uint64_t{1} << (std::bit_width(wrong) - 1)) - 1U;
    // Bit k of `runs`: bytes k to k + covered - 1 are right.
    unsigned covered = 1;
    while (covered < length) {
        const unsigned step = std::min(covered, length - covered);
        runs &= runs >> step;
        covered += step;
    }
    return runs != 0;
}

// Whether the block from `start` leaves no doubt, and if so takes it whole.
bool took_block(const side_by_side& bytes, std::size_t start, range_builder& ranges) {
    const block_counts counts = count_block(bytes, start);
    const bool reads_range_value = ranges.takes_uniform(counts.read_ff == range_block, counts.read_00 == range_block);
    if (counts.differing == 0) {
        if (ranges.is_open() && !reads_range_value) {
            ranges.close(); // an equal block is longer than any gap a range bridges
        }
        return true;
    }
    if (ranges.is_open()) {
        const std::size_t gap_before = start - ranges.last() - 1;
        const std::size_t equal = range_block - counts.differing;
        if (reads_range_value || (ranges.reads_other_values() && gap_before + equal <= eprom_range_gap)) {
            ranges.grow(counts.differing, last_difference(bytes, start));
            return true;
        }
        // A range of other values takes the block when no run of right bytes in it, the
        // one before its first wrong byte included, is longer than a gap it bridges.
        if (!ranges.reads_other_values()) {
            return false;
        }
        const std::uint64_t wrong = differing_bytes(bytes, start);
        if (gap_before + static_cast<std::size_t>(std::countr_zero(wrong)) > eprom_range_gap ||
            has_gap<eprom_range_gap + 1>(wrong)) {
            return false;
        }
        ranges.grow(counts.differing, start + static_cast<std::size_t>(std::bit_width(wrong) - 1));
        return true;
    }
    if (counts.read_ff != range_block && counts.read_00 != range_block) {
        return false;
    }
    // A range that reads one value opens at the first wrong byte and takes the rest.
    std::size_t first = start;
    while (bytes.dump[first] == bytes.expected[first]) {
        ++first;
    }
    ranges.wrong(first, bytes.dump[first]);
    ranges.grow(counts.differing - 1, last_difference(bytes, start));
    return true;
}

// The eight bytes from `word`: equal ones with no range open are skipped, and so are those
// before the first wrong one; an open range of other values takes the wrong ones at once
// where no gap in the word can grow too long.
void take_word(const side_by_side& bytes, std::size_t word, range_builder& ranges) {
    const byte_word want = load_word(bytes.expected, word);
    const byte_word got = load_word(bytes.dump, word);
    if (want == got && !ranges.is_open()) {
        return;
    }
    std::size_t from = word;
    if constexpr (std::endian::native == std::endian::little) {
        // Bit 8k + 7 of `differing`: byte k of the word differs.
        const byte_word differing = nonzero_bytes(want ^ got);
        if (ranges.reads_other_values() && word + sizeof(byte_word) - 1 - ranges.last() <= eprom_range_gap) {
            if (differing != 0) {
                ranges.grow(static_cast<std::size_t>(std::popcount(differing)),
                            word + static_cast<std::size_t>(std::bit_width(differing) - 1) / 8);
            }
            return;
        }
        if (!ranges.is_open()) {
            from = word + static_cast<std::size_t>(std::countr_zero(differing)) / 8;
        }
    }
    for (std::size_t address = from; address < word + sizeof(byte_word); ++address) {
        const std::uint8_t read = bytes.dump[address];
        if (read != bytes.expected[address]) {
            ranges.wrong(address, read);
        } else {
            ranges.equal(address, read);
        }
    }
}

// The ranges, a block at a time where the block leaves no doubt: an equal block with no
// range open is skipped; an equal block ends an open range unless it reads the range's
// one value throughout; a block that can hold no gap of more than eprom_range_gap grows
// an open range of other values, and one that reads one value throughout grows the open
// range that reads it, or opens one when none is open. Any other block goes a word at a
// time.
place_facts find_ranges(const side_by_side& bytes, const block_map& blocks, std::vector<eprom_range>& found) {
    static_assert(block_map::block % range_block == 0);
    range_builder ranges(found);
    for (std::size_t start = 0; start < eprom_image_size; start += range_block) {
        if (!blocks.differs(start) && !ranges.is_open()) {
            continue;
        }
        if (took_block(bytes, start, ranges)) {
            continue;
        }
        for (std::size_t word = start; word < start + range_block; word += sizeof(byte_word)) {
            take_word(bytes, word, ranges);
        }
    }
    ranges.close();
    return ranges.facts();
}

} // namespace

namespace {

// The wrong bits of each data line, counted the ways they went wrong (Lost: 1 read as 0,
// Gained: 0 read as 1), over the blocks that differ.
template <bool Lost, bool Gained>
void tally_wrong_bits(const side_by_side& bytes, const block_map& blocks, eprom_verification& result) {
    bit_counts read_0_for_1;
    bit_counts read_1_for_0;
    constexpr std::size_t step = bit_counts::words_at_once * sizeof(byte_word);
    static_assert(block_map::block % step == 0);
    for (std::size_t address = 0; address < eprom_image_size; address += step) {
        if (!blocks.differs(address)) {
            continue;
        }
        std::array<byte_word, bit_counts::words_at_once> ones_lost{};
        std::array<byte_word, bit_counts::words_at_once> ones_gained{};
        for (std::size_t k = 0; k < ones_lost.size(); ++k) {
            const byte_word want = load_word(bytes.expected, address + k * sizeof(byte_word));
            const byte_word got = load_word(bytes.dump, address + k * sizeof(byte_word));
            ones_lost[k] = want & ~got;
            ones_gained[k] = got & ~want;
        }
        if constexpr (Lost) {
            read_0_for_1.add_sixteen(ones_lost);
        }
        if constexpr (Gained) {
            read_1_for_0.add_sixteen(ones_gained);
        }
    }
    for (unsigned line = 0; line < eprom_data_line_count; ++line) {
        result.data_line_errors[line] = {read_0_for_1.line_total(line), read_1_for_0.line_total(line)};
    }
}

// A way no bit went wrong is not counted.
void tally_wrong_bits(const side_by_side& bytes, const byte_summary& summary, eprom_verification& result) {
    if (summary.read_0_for_1 == 0) {
        tally_wrong_bits<false, true>(bytes, summary.blocks, result);
    } else if (summary.read_1_for_0 == 0) {
        tally_wrong_bits<true, false>(bytes, summary.blocks, result);
    } else {
        tally_wrong_bits<true, true>(bytes, summary.blocks, result);
    }
}

} // namespace

namespace {

// A range that reads one value: out to the bytes around it that read the value too, within
// the smallest aligned block of a power of two bytes that holds its wrong ones.
void extend_to_extent(image_span dump, eprom_range& range) noexcept {
    if (range.reading == eprom_range_reading::other) {
        return;
    }
    const std::uint8_t value = range.reading == eprom_range_reading::all_ff ? 0xFF : 0x00;
    const unsigned block = 1U << std::bit_width(unsigned{range.first} ^ range.last);
    const unsigned block_first = range.first & ~(block - 1U);
    const unsigned block_last = block_first + block - 1U;
    while (range.first > block_first && dump[range.first - 1U] == value) {
        --range.first;
    }
    while (range.last < block_last && dump[range.last + 1U] == value) {
        ++range.last;
    }
}

// Of the bytes of the image that could go wrong as the wrong bits did (a 1 on a line that
// read 0 for 1, a 0 on one that read 1 for 0): how many there are, and how many have each
// address line at 1. Counted a row of 256 at a time in bytes, for the compiler to vectorize.
struct could_go_wrong {
    std::uint32_t total = 0;
    std::array<std::uint32_t, eprom_address_line_count> at_1{};
};

could_go_wrong count_could_go_wrong(image_span image, const byte_summary& summary) noexcept {
    const auto ones_lost = static_cast<std::uint8_t>(summary.read_0_for_1);
    const auto zeros_lost = static_cast<std::uint8_t>(summary.read_1_for_0);
    // A share is all that is wanted: a quarter of the rows of 256 bytes, spread so that
    // each high line is at 1 in half of them, tell it.
    constexpr std::size_t rows_counted = 64;
    std::array<std::uint8_t, 256> by_low{}; // up to rows_counted
    std::array<std::uint32_t, 256> by_high{};
    for (std::size_t counted = 0; counted < rows_counted; ++counted) {
        const std::size_t row = (counted * 173) & 0xFFU;
        const auto bytes = image.subspan(row << 8, 256);
        std::uint16_t in_row = 0; // up to 256
        for (std::size_t low = 0; low < 256; ++low) {
            const std::uint8_t byte = bytes[low];
            const auto could = static_cast<std::uint8_t>(
                ((byte & ones_lost) | (static_cast<std::uint8_t>(~byte) & zeros_lost)) != 0 ? 1 : 0);
            by_low[low] = static_cast<std::uint8_t>(by_low[low] + could);
            in_row = static_cast<std::uint16_t>(in_row + could);
        }
        by_high[row] = in_row;
    }
    could_go_wrong counts;
    for (unsigned value = 0; value < 256; ++value) {
        counts.total += by_low.at(value);
        for (unsigned line = 0; line < 8; ++line) {
            if (bit_of(value, line) != 0) {
                counts.at_1.at(line) += by_low.at(value);
                counts.at_1.at(line + 8) += by_high.at(value);
            }
        }
    }
    return counts;
}

// `base` to the `exponent`-th, by squaring: IEEE arithmetic alone, rounded alike on every
// machine and in the page, so that the same dump gets the same words everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): a base, then its exponent, as pow takes them
double power(double base, std::size_t exponent) noexcept {
    double result = 1.0;
    for (; exponent != 0; exponent >>= 1U) {
        if ((exponent & 1U) != 0) {
            result *= base;
        }
        base *= base;
    }
    return result;
}

// The ways to choose `chosen` lines among `among` (at most 16: at most 12,870).
double ways_to_choose(unsigned among, unsigned chosen) noexcept {
    std::uint64_t ways = 1;
    for (unsigned taken = 1; taken <= chosen; ++taken) {
        ways = ways * (among - chosen + taken) / taken;
    }
    return static_cast<double>(ways);
}

// A pattern that as many places at random would show less than once in a hundred times.
constexpr double once_in_a_hundred = 0.01;

// Of the lines on which every place has one level: those that are evidence. `places`
// places drawn at random from the bytes that could go wrong share a level on line m with
// chance p^places + (1 - p)^places, p the share of those bytes with Am = 1: a line that
// content forces so (a chance of more than a half) is none; the others are named when as
// many of the `free` lines (those no place is too long to hold at one level) would share a
// level by chance less than once in a hundred times.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the lines shared, then the lines free, as the caller has them
unsigned evidence_lines(unsigned lines, unsigned free, std::size_t places, const could_go_wrong& counts) noexcept {
    if (counts.total == 0) {
        return 0;
    }
    unsigned evidence = 0;
    double chance_of_all = 1.0;
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        if (bit_of(lines, line) == 0) {
            continue;
        }
        const auto at_1 = static_cast<double>(counts.at_1.at(line)) / static_cast<double>(counts.total);
        const double chance = power(at_1, places) + power(1.0 - at_1, places);
        if (chance > 0.5) {
            continue;
        }
        evidence |= 1U << line;
        chance_of_all *= chance;
    }
    const auto chosen = static_cast<unsigned>(std::popcount(evidence));
    const auto among = static_cast<unsigned>(std::popcount(free | evidence));
    return evidence != 0 && chance_of_all * ways_to_choose(among, chosen) < once_in_a_hundred ? evidence : 0U;
}

// Whether the lines could be evidence at all: where the bytes that could go wrong have each
// line at 1 in half of them, the chance of sharing it is the least, 2 / 2^places.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the lines shared, then the lines free, as the caller has them
bool could_be_evidence(unsigned lines, unsigned free, std::size_t places) noexcept {
    if (lines == 0 || places < 2) {
        return false;
    }
    const auto chosen = static_cast<unsigned>(std::popcount(lines));
    const auto among = static_cast<unsigned>(std::popcount(free | lines));
    const double least = power(power(0.5, places - 1), chosen);
    return least * ways_to_choose(among, chosen) < once_in_a_hundred;
}

} // namespace

place_facts find_places(const side_by_side& bytes, const byte_summary& summary, eprom_verification& result) {
    result.has_places = true;
    tally_wrong_bits(bytes, summary, result);
    std::vector<eprom_range> ranges;
    const place_facts facts = find_ranges(bytes, summary.blocks, ranges);
    // The places the wrong bytes make: each range that reads one value is one (a block
    // that failed; the lines that vary inside it say nothing), each other wrong byte one.
    unsigned vary_inside = 0;
    std::size_t places = summary.differing;
    for (eprom_range& range : ranges) {
        if (range.reading != eprom_range_reading::other) {
            vary_inside |= (1U << std::bit_width(unsigned{range.first} ^ range.last)) - 1U;
            places = places - range.wrong_bytes + 1;
        }
        extend_to_extent(bytes.dump, range);
    }
    result.range_count = ranges.size();
    result.ranges.assign(ranges.begin(),
                         ranges.begin() + static_cast<std::ptrdiff_t>(std::min(ranges.size(), eprom_ranges_shown)));
    const unsigned all_1 = summary.address_all_1;
    const unsigned same = same_address_lines(summary);
    const unsigned varying = ~same & all_address_lines;
    // Lines above the highest that varies only say where the wrong bytes begin and end,
    // which the ranges say.
    const unsigned below_highest = varying == 0 ? 0U : (1U << (std::bit_width(varying) - 1)) - 1U;
    const unsigned candidates = same & below_highest;
    const unsigned free = below_highest & ~vary_inside;
    const unsigned evidence =
        could_be_evidence(candidates, free, places)
            ? evidence_lines(candidates, free, places, count_could_go_wrong(bytes.expected, summary))
            : 0U;
    result.same_address_lines = static_cast<std::uint16_t>(evidence);
    result.same_address_levels = static_cast<std::uint16_t>(all_1 & evidence);
    return facts;
}

bool are_scattered(const byte_summary& summary, const eprom_verification& result, const place_facts& places) noexcept {
    // Fewer wrong bytes than this share a line or an address pattern by chance.
    constexpr std::size_t enough_to_tell = 8;
    if (summary.differing > most_scattered_bytes || places.most_in_range > 2) {
        return false;
    }
    if (summary.differing < enough_to_tell) {
        return true;
    }
    const unsigned wrong_lines = summary.read_0_for_1 | summary.read_1_for_0;
    return std::popcount(wrong_lines) > 1 && result.same_address_lines == 0;
}

} // namespace diagnosis_detail

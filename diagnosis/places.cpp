// Where the differences lie and how the wrong bits fall: counts per data line, the
// ranges of wrong bytes, the address pattern they share, scattered bits.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

namespace {

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

// Gathers the ranges of wrong bytes in address order: the first eprom_ranges_shown, how
// many there are, and the most wrong bytes in one.
class range_builder {
public:
    explicit range_builder(eprom_verification& result) : result_(result) {}

    // A byte that equals the image's, read as `got`.
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

    // Eight wrong bytes in a row from `address`, none read as 0xFF or 0x00, in an open
    // range that reads other values already: the range only grows.
    [[nodiscard]] bool takes_eight_at_once() const noexcept {
        return open_ && !all_ff_ && !all_00_;
    }
    void wrong_eight(std::size_t address) noexcept {
        wrong_ += 8;
        last_ = address + 7;
    }

    void close() {
        if (!open_) {
            return;
        }
        open_ = false;
        most_wrong_ = std::max(most_wrong_, wrong_);
        every_range_00_ = every_range_00_ && all_00_;
        ++result_.range_count;
        if (result_.ranges.size() < eprom_ranges_shown) {
            const eprom_range_reading reading = all_ff_   ? eprom_range_reading::all_ff
                                                : all_00_ ? eprom_range_reading::all_00
                                                          : eprom_range_reading::other;
            result_.ranges.push_back({static_cast<std::uint16_t>(first_), static_cast<std::uint16_t>(last_),
                                      static_cast<std::uint32_t>(wrong_), reading});
        }
    }

    [[nodiscard]] place_facts facts() const noexcept {
        return {most_wrong_, every_range_00_};
    }

private:
    eprom_verification& result_;
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

// Whether every byte of the word is other than 0: no byte of it is 0.
constexpr bool no_zero_byte(byte_word word) noexcept {
    constexpr byte_word high_bits = bit_0_of_each_byte << 7;
    return ((word - bit_0_of_each_byte) & ~word & high_bits) == 0;
}

// The ranges, eight bytes at a time: a word that equals the image's is skipped at once
// when no range is open; one wrong in every byte, none read as 0xFF or 0x00, grows a
// range of other values at once; any other word goes byte by byte.
place_facts find_ranges(const side_by_side& bytes, eprom_verification& result) {
    range_builder ranges(result);
    constexpr std::size_t word = sizeof(byte_word);
    for (std::size_t address = 0; address < eprom_image_size; address += word) {
        const byte_word want = load_word(bytes.expected, address);
        const byte_word got = load_word(bytes.dump, address);
        if (want == got && !ranges.is_open()) {
            continue;
        }
        if (ranges.takes_eight_at_once() && no_zero_byte(want ^ got) && no_zero_byte(got) && no_zero_byte(~got)) {
            ranges.wrong_eight(address);
            continue;
        }
        for (std::size_t at = address; at < address + word; ++at) {
            const std::uint8_t read = bytes.dump[at];
            if (read != bytes.expected[at]) {
                ranges.wrong(at, read);
            } else {
                ranges.equal(at, read);
            }
        }
    }
    ranges.close();
    return ranges.facts();
}

} // namespace

namespace {

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

} // namespace

place_facts find_places(const side_by_side& bytes, const byte_summary& summary, eprom_verification& result) {
    result.has_places = true;
    tally_wrong_bits(bytes, result);
    const unsigned same = same_address_lines(summary);
    const unsigned varying = ~same & all_address_lines;
    // Lines above the highest that varies only say where the wrong bytes begin and end,
    // which the ranges say.
    const unsigned below_highest = varying == 0 ? 0U : (1U << (std::bit_width(varying) - 1)) - 1U;
    result.same_address_lines = static_cast<std::uint16_t>(same & below_highest);
    result.same_address_levels = static_cast<std::uint16_t>(summary.address_all_1 & same & below_highest);
    return find_ranges(bytes, result);
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

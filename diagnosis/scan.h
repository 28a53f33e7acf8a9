// What every diagnosis of a dump shares: the image and the dump side by side, the one pass
// that summarizes where and how they differ, the few places at which every fault is tried
// first, and the faults themselves, each given as what it reads at one address and as the
// whole image read through it.
// A fault is held first against the sampled places (a few dozen wrong bytes spread over the
// chip, and right ones), and only a fault that reads nearly all of them as the dump does is
// read through whole and counted: a dump the fault does not explain is rejected after a few
// bytes, not after a pass per fault.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "diagnosis/diagnosis.h"

namespace diagnosis_detail {

using image_span = std::span<const std::uint8_t, eprom_image_size>;

constexpr unsigned all_data_lines = 0xFFU;
constexpr unsigned all_address_lines = 0xFFFFU;

// The image (or the image as a fault already named reads it) and a dump of the same size.
struct side_by_side {
    image_span expected;
    image_span dump;
};

// Which blocks of 128 bytes hold a difference: the passes after the first skip the others.
class block_map {
public:
    static constexpr std::size_t block = 128;

    [[nodiscard]] bool differs(std::size_t address) const noexcept {
        const std::size_t index = address / block;
        return ((bits_[index / 64] >> (index % 64)) & 1U) != 0;
    }
    void mark(std::size_t address) noexcept {
        const std::size_t index = address / block;
        bits_[index / 64] |= std::uint64_t{1} << (index % 64);
    }

private:
    std::array<std::uint64_t, eprom_image_size / block / 64> bits_{};
};

// What a pass over every byte tells, in loops the compiler vectorizes (the count of each
// block fits in a byte): how many bytes differ and in which blocks, and the data lines
// that read one level throughout; then, once a fault is not found, a pass over the blocks
// that differ: the wrong bits, and the positions in a block at which they lie, from which
// the low address lines of the differences are read.
struct byte_summary {
    std::size_t differing = 0;
    unsigned always_1 = all_data_lines;       // data lines that read 1 at every address
    unsigned ever_1 = 0;                      // data lines that read 1 at some address
    unsigned image_always_1 = all_data_lines; // the same in the image
    unsigned image_ever_1 = 0;
    block_map blocks; // the blocks with a difference
    // Filled by add_wrong_bits.
    bool wrong_bits_added = false;
    unsigned read_0_for_1 = 0; // data lines on which some 1 reads as 0
    unsigned read_1_for_0 = 0; // data lines on which some 0 reads as 1
    // Over the differing addresses: the address lines at 1 at every one, and at some.
    unsigned address_all_1 = all_address_lines;
    unsigned address_any_1 = 0;
};

// The address lines at one level at every difference.
unsigned same_address_lines(const byte_summary& summary) noexcept;

byte_summary summarize_bytes(const side_by_side& bytes) noexcept;
// The same for a dump that differs only in the blocks of `blocks`, whose own lines
// (always_1, ever_1) `dump_lines` holds already (the image's are left as they start when
// no line of the dump reads one level throughout).
byte_summary summarize_blocks(const side_by_side& bytes, const block_map& blocks,
                              const byte_summary& dump_lines) noexcept;
// The wrong bits and where they lie.
void add_wrong_bits(const side_by_side& bytes, byte_summary& summary) noexcept;

// Calls visit(address) for each differing address in ascending order until it returns
// false. Equal blocks are skipped.
template <typename Visit>
void for_each_difference(const side_by_side& bytes, const block_map& blocks, Visit visit) {
    constexpr std::size_t block = block_map::block;
    for (std::size_t start = 0; start < eprom_image_size; start += block) {
        if (!blocks.differs(start)) {
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

inline byte_word load_word(std::span<const std::uint8_t> bytes, std::size_t address) noexcept {
    byte_word word = 0;
    std::memcpy(&word, bytes.subspan(address, sizeof word).data(), sizeof word);
    return word;
}

inline unsigned bit_of(unsigned value, unsigned line) noexcept {
    return (value >> line) & 1U;
}

inline unsigned swap_bits(unsigned value, unsigned line, unsigned other) noexcept {
    const unsigned differ = bit_of(value, line) ^ bit_of(value, other);
    return value ^ (differ << line) ^ (differ << other);
}

// A fault: its verdict, the lines it names (lower < upper, or both the one line; for
// data_lines_stuck, the lines as bits), the level (stuck: the level; shorted: 1 for a
// wired OR, 0 for a wired AND; data_lines_stuck: the levels as bits), and for a shift by
// how many addresses, for another wiring which of the mix-ups' wirings.
struct fault {
    eprom_verdict verdict = eprom_verdict::unexplained;
    std::uint8_t lower = 0;
    std::uint8_t upper = 0;
    std::uint8_t level = 0;
    int shift = 0;
};

// The places every fault is held against first: wrong bytes spread over the chip (the
// first `spread` of them spread the most), then right ones.
struct sampled_places {
    static constexpr std::size_t most_wrong = 64;
    static constexpr std::size_t most_right = 32;
    std::array<std::uint16_t, most_wrong + most_right> addresses{};
    std::size_t wrong = 0; // addresses[0, wrong) differ
    std::size_t right = 0; // addresses[wrong, wrong + right) do not
};

sampled_places sample_places(const side_by_side& bytes, const block_map& blocks) noexcept;

// How many of the bytes from `begin` to `end` (multiples of block_map::block) differ
// between `read` and the dump; marks the blocks that hold one.
std::size_t count_differing(image_span read, image_span dump, std::size_t begin, std::size_t end,
                            block_map& blocks) noexcept;

} // namespace diagnosis_detail

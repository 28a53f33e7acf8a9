// What every diagnosis of a dump shares: the image and the dump side by side, the one pass
// that summarizes where and how they differ, and the checks that hold a fault, given as
// what it does to a byte or to an address, against the whole dump.
// Every hypothesis is first held against what one pass over the whole dump has gathered
// (which data lines are ever wrong, and which way) or against the differing addresses,
// and checked byte for byte only when those leave it standing: a dump the fault does not
// explain is rejected after a few bytes, not after a pass per hypothesis.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "diagnosis/diagnosis.h"

namespace diagnosis_detail {

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
unsigned same_address_lines(const byte_summary& summary) noexcept;

byte_summary summarize_bytes(const side_by_side& bytes) noexcept;

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

inline byte_word load_word(image_span bytes, std::size_t address) noexcept {
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
inline unsigned bit_of(unsigned value, unsigned line) noexcept {
    return (value >> line) & 1U;
}

inline unsigned swap_bits(unsigned value, unsigned line, unsigned other) noexcept {
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

} // namespace diagnosis_detail

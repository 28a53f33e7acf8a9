// Several reads of one chip: the bytes on which they differ, apart from what they agree on.
#include <algorithm>
#include <vector>

#include "diagnosis/diagnosis.h"

namespace {

// Whether every byte of the read is `value`.
bool reads_only(std::span<const std::uint8_t> read, std::uint8_t value) noexcept {
    return std::all_of(read.begin(), read.end(), [=](std::uint8_t byte) { return byte == value; });
}

// A read that is one value throughout, among reads that are not, read no chip (an empty
// socket, a chip not selected): it is set aside, and the others are kept, to be held
// together.
std::vector<std::span<const std::uint8_t>>
set_aside_reads_of_no_chip(std::span<const std::span<const std::uint8_t>> reads, eprom_reads_verification& result) {
    std::vector<std::span<const std::uint8_t>> kept;
    for (std::size_t read = 0; read < reads.size(); ++read) {
        const std::span<const std::uint8_t> bytes = reads[read];
        if (reads_only(bytes, 0xFF)) {
            result.set_aside.push_back({read, eprom_verdict::blank});
        } else if (reads_only(bytes, 0x00)) {
            result.set_aside.push_back({read, eprom_verdict::all_zero});
        } else {
            kept.push_back(bytes);
            result.kept.push_back(read);
        }
    }
    if (kept.empty()) {
        result.set_aside.clear();
        result.kept.clear();
        kept.assign(reads.begin(), reads.end());
        for (std::size_t read = 0; read < reads.size(); ++read) {
            result.kept.push_back(read);
        }
    }
    return kept;
}

} // namespace

eprom_reads_verification verify_eprom_reads(std::span<const std::uint8_t, eprom_image_size> expected,
                                            std::span<const std::span<const std::uint8_t>> all_reads,
                                            const eprom_mix_ups& mix_ups) {
    eprom_reads_verification result;
    const bool each_whole = std::all_of(all_reads.begin(), all_reads.end(), [](std::span<const std::uint8_t> read) {
        return read.size() == eprom_image_size;
    });
    if (all_reads.empty() || !each_whole) {
        for (const std::span<const std::uint8_t> read : all_reads) {
            result.alone.push_back(verify_eprom_dump(expected, read, mix_ups));
        }
        return result;
    }
    const std::vector<std::span<const std::uint8_t>> kept = set_aside_reads_of_no_chip(all_reads, result);
    const std::span<const std::span<const std::uint8_t>> reads = kept;
    // Bit by bit, over every read: 1 in any, 1 in all.
    std::vector<std::uint8_t> any_1(reads.front().begin(), reads.front().end());
    std::vector<std::uint8_t> all_1 = any_1;
    for (const std::span<const std::uint8_t> read : reads.subspan(1)) {
        for (std::size_t address = 0; address < eprom_image_size; ++address) {
            any_1[address] = static_cast<std::uint8_t>(any_1[address] | read[address]);
            all_1[address] = static_cast<std::uint8_t>(all_1[address] & read[address]);
        }
    }
    // What the reads agree on goes into all_1: a bit they agree on as they read it, any
    // other as the image has it.
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        const auto unstable = static_cast<std::uint8_t>(any_1[address] ^ all_1[address]);
        if (unstable == 0) {
            continue;
        }
        ++result.unstable_bytes;
        const std::uint8_t want = expected[address];
        if (result.first_unstable.size() < eprom_differences_shown) {
            eprom_unstable_byte shown{static_cast<std::uint16_t>(address), want, {}};
            for (const std::span<const std::uint8_t> read : reads) {
                shown.reads.push_back(read[address]);
            }
            result.first_unstable.push_back(std::move(shown));
        }
        for (unsigned line = 0; line < eprom_data_line_count; ++line) {
            if (((unstable >> line) & 1U) != 0) {
                eprom_data_line_errors& errors = result.unstable_lines[line];
                ++(((want >> line) & 1U) != 0 ? errors.read_0_for_1 : errors.read_1_for_0);
            }
        }
        all_1[address] = static_cast<std::uint8_t>((all_1[address] & ~unstable) | (want & unstable));
    }
    result.agreed = verify_eprom_dump(expected, all_1, mix_ups);
    return result;
}

int eprom_exit_status(const eprom_reads_verification& result) noexcept {
    if (!result.alone.empty()) {
        return std::all_of(result.alone.begin(), result.alone.end(),
                           [](const eprom_verification& read) { return eprom_exit_status(read) == 0; })
                   ? 0
                   : 1;
    }
    return result.unstable_bytes == 0 && result.set_aside.empty() ? eprom_exit_status(result.agreed) : 1;
}

// The order in which the diagnoses are tried, and the dumps of another size than the image's.
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "diagnosis/steps.h"

namespace {

using diagnosis_detail::all_data_lines;
using diagnosis_detail::are_scattered;
using diagnosis_detail::byte_summary;
using diagnosis_detail::fault;
using diagnosis_detail::find_address_fault;
using diagnosis_detail::find_data_fault;
using diagnosis_detail::find_mix_up;
using diagnosis_detail::find_places;
using diagnosis_detail::find_stuck_data_lines;
using diagnosis_detail::for_each_difference;
using diagnosis_detail::image_span;
using diagnosis_detail::most_scattered_bytes;
using diagnosis_detail::place_facts;
using diagnosis_detail::side_by_side;
using diagnosis_detail::summarize_bytes;

// Whether the dump names every byte as one value: blank (0xFF) or all 0x00.
std::optional<eprom_verdict> one_value(const byte_summary& summary) noexcept {
    if (summary.always_1 == all_data_lines) {
        return eprom_verdict::blank;
    }
    if (summary.ever_1 == 0) {
        return eprom_verdict::all_zero;
    }
    return std::nullopt;
}

void name(const fault& found, eprom_verification& result) noexcept {
    result.verdict = found.verdict;
    result.line_m = found.lower;
    result.line_n = found.upper;
    result.level = found.level;
}

// The data lines that read one level throughout where the image's do not, named as the
// diagnosis when they explain at least half of the wrong bytes (with the places of the
// bytes that still differ once the image has them stuck too), else only under it.
bool stuck_lines_explain(const fault& stuck, const side_by_side& bytes, eprom_verification& result) {
    result.stuck_lines = stuck.lower;
    result.stuck_levels = stuck.level;
    const auto with_stuck = [&](std::uint8_t byte) {
        return static_cast<std::uint8_t>((byte & ~stuck.lower) | stuck.level);
    };
    // Counted a block at a time in a byte, so that the compiler vectorizes the loop.
    constexpr std::size_t block = 128;
    std::size_t besides = 0;
    for (std::size_t start = 0; start < eprom_image_size; start += block) {
        std::uint8_t in_block = 0;
        for (std::size_t address = start; address < start + block; ++address) {
            in_block = static_cast<std::uint8_t>(
                in_block + (with_stuck(bytes.expected[address]) != bytes.dump[address] ? 1U : 0U));
        }
        besides += in_block;
    }
    if (besides * 2 > result.differing_bytes) {
        return false;
    }
    result.verdict = eprom_verdict::data_lines_stuck;
    result.differing_besides = besides;
    if (besides != 0) {
        std::vector<std::uint8_t> image_with_stuck(bytes.expected.begin(), bytes.expected.end());
        std::transform(image_with_stuck.begin(), image_with_stuck.end(), image_with_stuck.begin(), with_stuck);
        const side_by_side rest{image_span{image_with_stuck.data(), eprom_image_size}, bytes.dump};
        find_places(rest, summarize_bytes(rest), result);
    }
    return true;
}

// The diagnoses of a dump of the image's size, in the order of eprom_verdict: one value
// throughout; the single faults of the bench; data lines stuck with more besides; a few
// scattered bits; ranges that read 0x00; bits wrong one way only; the whole-image
// mix-ups; else no single fault,
// with the places of the differences wherever the verdict names none.
void verify_whole_image(const side_by_side& bytes, const eprom_mix_ups& mix_ups, eprom_verification& result) {
    if (std::memcmp(bytes.expected.data(), bytes.dump.data(), eprom_image_size) == 0) {
        return;
    }
    const byte_summary summary = summarize_bytes(bytes);
    result.differing_bytes = summary.differing;
    if (const auto verdict = one_value(summary)) {
        result.verdict = *verdict;
        return;
    }
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
        name(*found, result);
        return;
    }
    if (const auto stuck = find_stuck_data_lines(bytes, summary); stuck && stuck_lines_explain(*stuck, bytes, result)) {
        return;
    }
    std::optional<place_facts> places;
    if (summary.differing <= most_scattered_bytes) {
        places = find_places(bytes, summary, result);
        if (are_scattered(summary, result, *places)) {
            result.verdict = eprom_verdict::scattered_bits;
            return;
        }
    }
    if (summary.read_1_for_0 == 0 || summary.read_0_for_1 == 0) {
        if (!places) {
            places = find_places(bytes, summary, result);
        }
        result.verdict = summary.read_0_for_1 == 0 ? eprom_verdict::not_fully_programmed
                         : places->every_range_00  ? eprom_verdict::ranges_read_00
                                                   : eprom_verdict::not_erased;
        return;
    }
    if (const auto mix_up = find_mix_up(bytes, summary, first, mix_ups, result)) {
        name(*mix_up, result);
        result.has_places = false;
        return;
    }
    result.verdict = eprom_verdict::unexplained;
    if (!result.has_places) {
        find_places(bytes, summary, result);
    }
}

// A dump of a larger chip filled with copies of the image: how many bytes of each copy
// differ.
void find_copies(image_span expected, std::span<const std::uint8_t> dump, eprom_verification& result) {
    constexpr std::size_t most_copies = 256;
    const std::size_t size = dump.size();
    if (size < 2 * eprom_image_size || size % eprom_image_size != 0 || size / eprom_image_size > most_copies) {
        return;
    }
    result.verdict = eprom_verdict::copies;
    for (std::size_t offset = 0; offset < size; offset += eprom_image_size) {
        const auto copy = dump.subspan(offset, eprom_image_size);
        std::size_t differing = 0;
        if (std::memcmp(copy.data(), expected.data(), eprom_image_size) != 0) {
            for (std::size_t address = 0; address < eprom_image_size; ++address) {
                differing += copy[address] != expected[address] ? 1 : 0;
            }
        }
        result.copy_differences.push_back(differing);
    }
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

// A larger dump that is the image and a few bytes more, before it or after it.
void find_whole(image_span expected, std::span<const std::uint8_t> dump, eprom_verification& result) {
    if (dump.size() <= eprom_image_size || result.verdict == eprom_verdict::copies) {
        return;
    }
    for (const std::size_t offset : {std::size_t{0}, dump.size() - eprom_image_size}) {
        if (std::memcmp(dump.subspan(offset, eprom_image_size).data(), expected.data(), eprom_image_size) == 0) {
            result.holds_image = true;
            result.image_offset = offset;
            return;
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
        find_copies(expected, dump, result);
        find_whole(expected, dump, result);
        return result;
    }
    verify_whole_image({expected, dump.first<eprom_image_size>()}, mix_ups, result);
    return result;
}

int eprom_exit_status(const eprom_verification& result) noexcept {
    if (result.verdict == eprom_verdict::copies) {
        return std::all_of(result.copy_differences.begin(), result.copy_differences.end(),
                           [](std::size_t differing) { return differing == 0; })
                   ? 0
                   : 1;
    }
    return result.verdict == eprom_verdict::matches ? 0 : 1;
}

// The order in which the diagnoses are tried, and the dumps of another size than the image's.
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "diagnosis/steps.h"

namespace {

using diagnosis_detail::add_wrong_bits;
using diagnosis_detail::all_data_lines;
using diagnosis_detail::are_scattered;
using diagnosis_detail::byte_summary;
using diagnosis_detail::fault;
using diagnosis_detail::fault_reader;
using diagnosis_detail::find_places;
using diagnosis_detail::find_stuck_data_lines;
using diagnosis_detail::for_each_difference;
using diagnosis_detail::image_span;
using diagnosis_detail::list_line_faults;
using diagnosis_detail::list_mix_ups;
using diagnosis_detail::most_scattered_bytes;
using diagnosis_detail::place_facts;
using diagnosis_detail::sample_places;
using diagnosis_detail::search_faults;
using diagnosis_detail::side_by_side;
using diagnosis_detail::summarize_blocks;
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

// The faults held against a dump, in the order of eprom_verdict.
std::vector<fault> faults_tried(const eprom_mix_ups& mix_ups) {
    constexpr std::size_t line_faults = 16 + 28 + 56 + 32 + 120 + 240;
    std::vector<fault> faults;
    faults.reserve(line_faults + 1 + mix_ups.other_wirings.size() + eprom_address_line_count + eprom_data_line_count +
                   2 * static_cast<std::size_t>(eprom_largest_shift) + 1);
    list_line_faults(faults);
    list_mix_ups(mix_ups, faults);
    return faults;
}

void name(const fault& found, const eprom_mix_ups& mix_ups, eprom_verification& result) {
    result.verdict = found.verdict;
    result.line_m = found.lower;
    result.line_n = found.upper;
    result.level = found.level;
    switch (found.verdict) {
    case eprom_verdict::data_lines_stuck:
        result.stuck_lines = found.lower;
        result.stuck_levels = found.level;
        break;
    case eprom_verdict::other_pair_order:
        result.option = mix_ups.other_pair_order;
        break;
    case eprom_verdict::other_wiring:
        result.option = mix_ups.other_wirings.at(found.lower).option;
        break;
    case eprom_verdict::shifted:
        result.shift = found.shift;
        break;
    default:
        break;
    }
}

// The bytes that still differ once a named fault is accounted for are diagnosed on their
// own, to this depth: a fault, a second one, then only where the rest lie.
constexpr int deepest_search = 2;
// Fewer wrong bytes than this are explained whole or not at all (and besides a fault
// named, not at all).
constexpr std::size_t fewest_for_nearly_all = 16;

// The diagnosis of one level: a fault that explains the dump (found, `read` then holds
// the image as the fault reads it), else where the differences lie.
std::optional<diagnosis_detail::search_outcome> diagnose_level(const side_by_side& bytes, byte_summary summary,
                                                               const std::vector<fault>& faults,
                                                               const eprom_mix_ups& mix_ups, int depth,
                                                               diagnosis_detail::image_buffer& read,
                                                               eprom_verification& result) {
    result.differing_bytes = summary.differing;
    if (const auto verdict = one_value(summary)) {
        result.verdict = *verdict;
        return std::nullopt;
    }
    result.first_differences.reserve(eprom_differences_shown);
    for_each_difference(bytes, summary.blocks, [&](std::size_t address) {
        result.first_differences.push_back(
            {static_cast<std::uint16_t>(address), bytes.expected[address], bytes.dump[address]});
        return result.first_differences.size() < eprom_differences_shown;
    });

    // The few bytes that differ besides a fault named are told by where they lie: a second
    // fault that changes so few bytes is none to name.
    const bool few = summary.differing < fewest_for_nearly_all;
    if (depth == 0 || !few) {
        const bool partial = depth < deepest_search && !few;
        const fault_reader reader(bytes.expected, mix_ups);
        if (auto found =
                search_faults(bytes, summary, sample_places(bytes, summary.blocks), faults, reader, partial, read)) {
            name(found->found, mix_ups, result);
            return found;
        }
    }
    add_wrong_bits(bytes, summary);
    if (const auto stuck = find_stuck_data_lines(summary)) {
        result.stuck_lines = stuck->lower;
        result.stuck_levels = stuck->level;
    }
    const place_facts places = find_places(bytes, summary, result);
    if (summary.differing <= most_scattered_bytes && are_scattered(summary, result, places)) {
        result.verdict = eprom_verdict::scattered_bits;
    } else if (summary.read_0_for_1 == 0) {
        result.verdict = eprom_verdict::not_fully_programmed;
    } else if (summary.read_1_for_0 == 0) {
        result.verdict = places.every_range_00 ? eprom_verdict::ranges_read_00 : eprom_verdict::not_erased;
    } else {
        result.verdict = eprom_verdict::unexplained;
    }
    return std::nullopt;
}

// The diagnoses of a dump of the image's size, in the order of eprom_verdict: one value
// throughout; the faults of the bench and the whole-image mix-ups, each held against the
// whole dump: the first that explains every byte, else the one that explains nearly all
// (data lines stuck: half), the bytes that differ besides it diagnosed in turn against
// the image as it reads it; a few scattered bits; ranges that read 0x00; bits wrong one
// way only; else no single fault, with the places of the differences wherever the verdict
// names none. The dump differs from the image.
void verify_whole_image(const side_by_side& bytes, const std::vector<fault>& faults, const eprom_mix_ups& mix_ups,
                        eprom_verification& result) {
    side_by_side level = bytes;
    byte_summary summary = summarize_bytes(bytes);
    std::vector<fault> tried = faults;
    eprom_verification* named = &result;
    // The image as the fault named at the level above reads it, held while the bytes that
    // differ besides it are diagnosed.
    diagnosis_detail::image_buffer read;
    diagnosis_detail::image_buffer above;
    for (int depth = 0;; ++depth) {
        const auto found = diagnose_level(level, summary, tried, mix_ups, depth, read, *named);
        if (!found || found->besides == 0) {
            return;
        }
        named->differing_besides = found->besides;
        named = &named->besides.emplace_back();
        std::swap(read, above);
        level = side_by_side{image_span{above.get(), eprom_image_size}, bytes.dump};
        summary = summarize_blocks(level, found->blocks, summary);
        // Two shifts are one shift: after a shift, no other is tried.
        if (found->found.verdict == eprom_verdict::shifted) {
            std::erase_if(tried, [](const fault& each) { return each.verdict == eprom_verdict::shifted; });
        }
    }
}

void verify_copy(image_span expected, image_span copy, const std::vector<fault>& faults, const eprom_mix_ups& mix_ups,
                 eprom_verification& result) {
    result.dump_size = eprom_image_size;
    verify_whole_image({expected, copy}, faults, mix_ups, result);
}

// A dump of a larger chip filled with copies of the image: each copy diagnosed as a dump
// of its own, but for one that holds the same bytes as an earlier copy (the image's, the
// first copy's that differs, or the last one's that differs).
void find_copies(image_span expected, std::span<const std::uint8_t> dump, const eprom_mix_ups& mix_ups,
                 eprom_verification& result) {
    constexpr std::size_t most_copies = 256;
    const std::size_t size = dump.size();
    if (size < 2 * eprom_image_size || size % eprom_image_size != 0 || size / eprom_image_size > most_copies) {
        return;
    }
    result.verdict = eprom_verdict::copies;
    const std::size_t count = size / eprom_image_size;
    result.copy_differences.resize(count);
    result.copy_same_as.resize(count);
    result.each_copy.resize(count);
    const auto copy_at = [&](std::size_t copy) {
        return image_span{dump.subspan(copy * eprom_image_size).data(), eprom_image_size};
    };
    const auto same = [](image_span one, image_span other) {
        return std::memcmp(one.data(), other.data(), eprom_image_size) == 0;
    };
    std::vector<fault> faults;
    std::optional<std::size_t> first_wrong;
    std::optional<std::size_t> last_wrong;
    for (std::size_t copy = 0; copy < count; ++copy) {
        const image_span bytes = copy_at(copy);
        result.copy_same_as[copy] = copy;
        if (same(bytes, expected)) {
            continue; // matches, as a default verification says
        }
        for (const auto& earlier : {first_wrong, last_wrong}) {
            if (earlier && result.copy_same_as[copy] == copy && same(bytes, copy_at(*earlier))) {
                result.copy_same_as[copy] = *earlier;
                result.copy_differences[copy] = result.copy_differences[*earlier];
            }
        }
        if (result.copy_same_as[copy] == copy) {
            if (faults.empty()) {
                faults = faults_tried(mix_ups);
            }
            verify_copy(expected, bytes, faults, mix_ups, result.each_copy[copy]);
            result.copy_differences[copy] = result.each_copy[copy].differing_bytes;
            first_wrong = first_wrong.value_or(copy);
            last_wrong = copy;
        }
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
        find_copies(expected, dump, mix_ups, result);
        find_whole(expected, dump, result);
        return result;
    }
    if (std::memcmp(expected.data(), dump.data(), eprom_image_size) != 0) {
        verify_whole_image({expected, dump.first<eprom_image_size>()}, faults_tried(mix_ups), mix_ups, result);
    }
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

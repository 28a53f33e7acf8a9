// The steps of a diagnosis, each in the file of its family of faults; diagnose.cpp holds
// the order in which they are tried.
#pragma once

#include <optional>
#include <span>

#include "diagnosis/diagnosis.h"
#include "diagnosis/scan.h"

namespace diagnosis_detail {

// line_faults.cpp. Data faults (a line stuck, two swapped or shorted), then address faults
// (a line stuck, two swapped): the first that gives the dump byte for byte, or nothing.
std::optional<fault> find_data_fault(const side_by_side& bytes, const byte_summary& summary,
                                     std::span<const eprom_difference> first);
std::optional<fault> find_address_fault(const side_by_side& bytes, const byte_summary& summary,
                                        std::span<const eprom_difference> first);
// The data lines that read one level throughout where the image's do not (lower: the
// lines, level: their levels, one bit per line), whether or not they explain every byte.
std::optional<fault> find_stuck_data_lines(const side_by_side& bytes, const byte_summary& summary);

// mix_ups.cpp. The whole-image mix-ups, in the order of eprom_verdict, or nothing; sets
// result.option or result.shift for the one it names.
std::optional<fault> find_mix_up(const side_by_side& bytes, const byte_summary& summary,
                                 std::span<const eprom_difference> first, const eprom_mix_ups& mix_ups,
                                 eprom_verification& result);

// places.cpp. Fills the places of `result` (has_places, the wrong bits of each data line,
// the ranges, the address pattern) from the bytes that differ; returns what the
// diagnosis weighs of the ranges.
struct place_facts {
    std::size_t most_in_range; // the most wrong bytes in one range
    bool every_range_00;       // every range reads 0x00 throughout
};
place_facts find_places(const side_by_side& bytes, const byte_summary& summary, eprom_verification& result);
// Whether the wrong bytes, whose places `result` holds, are a few scattered bits: no
// range of more than two wrong bytes and, once there are enough of them to tell, no data
// line and no address pattern in common.
bool are_scattered(const byte_summary& summary, const eprom_verification& result, const place_facts& places) noexcept;
// The most bytes that differ in a dump whose wrong bits may be called scattered.
inline constexpr std::size_t most_scattered_bytes = eprom_image_size / 32;

} // namespace diagnosis_detail

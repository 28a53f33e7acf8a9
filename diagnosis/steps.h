// The steps of a diagnosis, each in the file of its family of faults; diagnose.cpp holds
// the order in which they are tried.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "diagnosis/scan.h"

namespace diagnosis_detail {

using image_bytes = std::span<std::uint8_t, eprom_image_size>;
// A whole image's bytes, left as they are when made: each is written before it is read.
using image_buffer = std::unique_ptr<std::uint8_t[]>; // NOLINT(*-avoid-c-arrays): made uninitialized

// line_faults.cpp. The single faults of the bench in the order of eprom_verdict: data
// lines stuck, swapped, shorted; address lines stuck, swapped, shorted (the pairs that are
// neighbours on the 27C512's socket first).
void list_line_faults(std::vector<fault>& faults);
// The data lines that read one level throughout where the image's do not (lower: the
// lines, level: their levels, one bit per line), whether or not they explain every byte.
std::optional<fault> find_stuck_data_lines(const byte_summary& summary);

// mix_ups.cpp. The whole-image mix-ups in the order of eprom_verdict: the other pair order,
// each other wiring (`lower` its index in mix_ups.other_wirings), an address line
// inverted, a data line inverted, each shift (smallest first, up before down), every bit
// inverted.
void list_mix_ups(const eprom_mix_ups& mix_ups, std::vector<fault>& faults);

// Another wiring than the one burned: address line n of the dump reads the image's byte
// at an address that has the bits address_bit[n] (XORed over the lines at 1, then with
// address_flip), and the image's data line m lands on data_bit[m] (then data_flip).
struct wiring_mix_up {
    std::array<std::uint16_t, eprom_address_line_count> address_bit;
    std::uint16_t address_flip;
    std::array<std::uint8_t, eprom_data_line_count> data_bit;
    std::uint8_t data_flip;
};
// mix_ups.cpp.
wiring_mix_up describe_wiring_mix_up(const eprom_wiring& other, const eprom_wiring& burned) noexcept;

// faults.cpp. Reads the image through any fault above, or through the data lines stuck.
class fault_reader {
public:
    fault_reader(image_span image, const eprom_mix_ups& mix_ups);

    // At how many of `places` the fault reads another byte than the dump holds, counted
    // up to one more than `most`.
    [[nodiscard]] std::size_t misses(const fault& read_as, std::span<const std::uint16_t> places, image_span dump,
                                     std::size_t most) const noexcept;
    // The image as the fault reads it at the addresses from `begin` to `end` (multiples
    // of 256), into the same addresses of `out`; where the fault allows more than one
    // reading (a shift's ends), the one closer to `dump`.
    void read_through(const fault& read_as, image_span dump, image_bytes out, std::size_t begin,
                      std::size_t end) const noexcept;

    // Another wiring, as lookups: the byte at an address comes from
    // from_low[its low byte] ^ from_high[its high byte], through the data lines by read_for.
    struct wiring_tables {
        std::array<std::uint16_t, 256> from_low{};
        std::array<std::uint16_t, 256> from_high{};
        std::array<std::uint8_t, 256> read_for{};
    };

private:
    image_span image_;
    std::vector<wiring_tables> wirings_;
};

// mix_ups.cpp, for fault_reader: a shift.
std::uint8_t shift_reads(int shift, image_span image, unsigned address, std::uint8_t got) noexcept;
void read_shifted(int shift, image_span image, image_span dump, image_bytes out, std::size_t begin,
                  std::size_t end) noexcept;

// search.cpp. Of `faults`, held against the sampled places and then counted whole: the
// first (in their order) that reads the dump byte for byte; else, when `partial`, the one
// that leaves the fewest bytes wrong, if it explains nearly all of them (data_lines_stuck:
// at least half), with the image as it reads it in `read`.
struct search_outcome {
    fault found;
    std::size_t besides = 0; // the bytes that still differ
    block_map blocks;        // the blocks that hold them
};
std::optional<search_outcome> search_faults(const side_by_side& bytes, const byte_summary& summary,
                                            const sampled_places& places, const std::vector<fault>& faults,
                                            const fault_reader& reader, bool partial, image_buffer& read);

// places.cpp. Fills the places of `result` (has_places, the wrong bits of each data line,
// the ranges, the address pattern) from the bytes that differ (the summary with its wrong
// bits added); returns what the diagnosis weighs of the ranges.
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

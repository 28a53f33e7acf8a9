// The whole-image mix-ups: another image burned (the other pair order, another wiring), a
// line inverted, the image shifted, every bit inverted.
#include <algorithm>
#include <cstring>

#include "diagnosis/steps.h"

namespace diagnosis_detail {

void list_mix_ups(const eprom_mix_ups& mix_ups, std::vector<fault>& faults) {
    if (!mix_ups.other_pair_order.empty()) {
        faults.push_back({eprom_verdict::other_pair_order, 0, 0, 0});
    }
    for (std::size_t index = 0; index < mix_ups.other_wirings.size(); ++index) {
        const auto wiring = static_cast<std::uint8_t>(index);
        faults.push_back({eprom_verdict::other_wiring, wiring, wiring, 0});
    }
    for (std::uint8_t line = 0; line < eprom_address_line_count; ++line) {
        faults.push_back({eprom_verdict::address_line_inverted, line, line, 0});
    }
    for (std::uint8_t line = 0; line < eprom_data_line_count; ++line) {
        faults.push_back({eprom_verdict::data_line_inverted, line, line, 0});
    }
    // 1, -1, 2, -2, ...: the smallest shift first, up before down.
    for (int step = 0; step < 2 * eprom_largest_shift; ++step) {
        faults.push_back({eprom_verdict::shifted, 0, 0, 0, (step % 2 == 0 ? 1 : -1) * (step / 2 + 1)});
    }
    faults.push_back({eprom_verdict::all_bits_inverted, 0, 0, 0});
}

// The image made through `other` instead of `burned`: the byte for the inputs of address a
// moved to the address whose inputs they are through `burned`, and through the data lines
// of `other`. Input I of the dump's address line n (inverted or not) is driven in the image
// by the line m that `burned` wires to I (inverted or not); output Fk lands on the data line
// `burned` wires it to in the image and on the one `other` does in the dump.
wiring_mix_up describe_wiring_mix_up(const eprom_wiring& other, const eprom_wiring& burned) noexcept {
    wiring_mix_up mix_up{};
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        const auto from =
            static_cast<unsigned>(std::find(burned.address_line_input.begin(), burned.address_line_input.end(),
                                            other.address_line_input.at(line)) -
                                  burned.address_line_input.begin());
        mix_up.address_bit.at(line) = static_cast<std::uint16_t>(1U << from);
        const unsigned flip = bit_of(other.inverted_address_lines, line) ^ bit_of(burned.inverted_address_lines, from);
        mix_up.address_flip = static_cast<std::uint16_t>(mix_up.address_flip | flip << from);
    }
    for (unsigned output = 0; output < eprom_data_line_count; ++output) {
        const unsigned in_image = burned.output_data_line.at(output);
        const unsigned in_dump = other.output_data_line.at(output);
        mix_up.data_bit.at(in_image) = static_cast<std::uint8_t>(1U << in_dump);
        const unsigned flip = bit_of(burned.inverted_data_lines, in_image) ^ bit_of(other.inverted_data_lines, in_dump);
        mix_up.data_flip = static_cast<std::uint8_t>(mix_up.data_flip | flip << in_dump);
    }
    return mix_up;
}

// The dump holds at a + shift the image's byte at a, for every a that stays on the chip;
// the `shift` addresses left over at the one end read blank (0xFF) or hold the bytes
// pushed off the other end.
// Returns the byte the shift reads at `address`: at an end, the one of the two that is
// `got` if either is.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): an address, then the byte read there
std::uint8_t shift_reads(int shift, image_span image, unsigned address, std::uint8_t got) noexcept {
    const auto from = static_cast<unsigned>(static_cast<int>(address) - shift) & all_address_lines;
    const bool on_chip = shift > 0 ? address >= static_cast<unsigned>(shift)
                                   : address < eprom_image_size - static_cast<unsigned>(-shift);
    return !on_chip && got == 0xFF ? got : image[from];
}

void read_shifted(int shift, image_span image, image_span dump, image_bytes out, std::size_t begin,
                  std::size_t end) noexcept {
    const auto moved = static_cast<std::size_t>(shift < 0 ? -shift : shift);
    // The ends: [rest, rest + moved) read blank, or the bytes from [rest_from, ...), whichever
    // the dump holds more of.
    const std::size_t rest = shift > 0 ? 0 : eprom_image_size - moved;
    const std::size_t rest_from = shift > 0 ? eprom_image_size - moved : 0;
    std::size_t blank = 0;
    std::size_t pushed = 0;
    for (std::size_t k = 0; k < moved; ++k) {
        blank += dump[rest + k] == 0xFF ? 1 : 0;
        pushed += dump[rest + k] == image[rest_from + k] ? 1 : 0;
    }
    const std::size_t kept = shift > 0 ? moved : 0;
    const std::size_t kept_end = kept + eprom_image_size - moved;
    const std::size_t low = std::max(begin, kept);
    const std::size_t high = std::min(end, kept_end);
    if (low < high) {
        std::memcpy(out.subspan(low).data(), image.subspan(low - kept + (shift > 0 ? 0 : moved)).data(), high - low);
    }
    for (std::size_t address = std::max(begin, rest); address < std::min(end, rest + moved); ++address) {
        out[address] = pushed > blank ? image[rest_from + address - rest] : std::uint8_t{0xFF};
    }
}

} // namespace diagnosis_detail

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "eprom/image.h"
#include "jedec/jedec.h"
#include "random_programming.h"

namespace {

using dump_bytes = std::vector<std::uint8_t>;

// A programming burned through a wiring.
struct burned {
    pla_fuses fuses;
    eprom_wiring wiring;
    dump_bytes image;
};

burned burn(const pla_fuses& fuses, const eprom_wiring& wiring) {
    burned chip{fuses, wiring, dump_bytes(eprom_image_size)};
    build_eprom_image(std::span<std::uint8_t, eprom_image_size>{chip.image}, fuses, wiring);
    return chip;
}

// A board of its own: the lines in reverse, A15 and D0 through inverters.
constexpr eprom_wiring board{
    {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, 0x8000, {7, 6, 5, 4, 3, 2, 1, 0}, 0x01};

const std::vector<burned>& chips() {
    static const std::vector<burned> all = {
        burn(pla_fuse_map, eprom_wiring::adapter),
        burn(random_programming(15U, realistic_style), eprom_wiring::adapter),
        burn(random_programming(16U, realistic_style), board),
    };
    return all;
}

// The named wiring verify tries first for a chip's.
eprom_wiring other_wiring(const burned& chip) {
    return chip.wiring == eprom_wiring::adapter ? eprom_wiring::straight : eprom_wiring::adapter;
}

eprom_verification verify(const burned& chip, const dump_bytes& dump) {
    const eprom_mix_ups mix_ups{chip.wiring, "--pairs true-first", {{other_wiring(chip), "--wiring other"}}};
    return verify_eprom_dump(std::span<const std::uint8_t, eprom_image_size>{chip.image}, dump, mix_ups);
}

// The headline, without the dump's name.
std::string said(const eprom_verification& result) {
    const std::string text = render_eprom_verification("dump", result);
    return text.substr(6, text.find('\n') - 6);
}

// The dump read when the chip's image is read with each address's byte moved, or each
// byte changed.
template <typename Read>
dump_bytes read_as(const dump_bytes& image, Read read) {
    dump_bytes dump(eprom_image_size);
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        dump[address] = read(image, address);
    }
    return dump;
}

dump_bytes address_inverted(const dump_bytes& image, unsigned line) {
    return read_as(image, [=](const dump_bytes& bytes, std::size_t address) { return bytes[address ^ (1U << line)]; });
}

dump_bytes data_inverted(const dump_bytes& image, unsigned mask) {
    return read_as(image, [=](const dump_bytes& bytes, std::size_t address) {
        return static_cast<std::uint8_t>(bytes[address] ^ mask);
    });
}

// Burned at `shift` addresses from its own: blank where nothing was burned.
dump_bytes shifted(const dump_bytes& image, int shift) {
    return read_as(image, [=](const dump_bytes& bytes, std::size_t address) {
        const auto from = static_cast<long>(address) - shift;
        return from < 0 || from >= static_cast<long>(eprom_image_size) ? std::uint8_t{0xFF}
                                                                       : bytes[static_cast<std::size_t>(from)];
    });
}

// Two bits read wrong on top of a dump (a weak cell, a bad read).
dump_bytes with_two_stray_bits(dump_bytes dump) {
    dump[0x0ABC] ^= 0x10U;
    dump[0xBCDE] ^= 0x02U;
    return dump;
}

TEST(MixUp, EachNamed) {
    for (const burned& chip : chips()) {
        dump_bytes other(eprom_image_size);
        const auto image_of = [&](const pla_fuses& fuses, const eprom_wiring& wiring) {
            build_eprom_image(std::span<std::uint8_t, eprom_image_size>{other}, fuses, wiring);
            return other;
        };
        // The images that only the command can make, with two stray bits too: named, and the
        // bytes besides.
        const std::string pairs = "the image of the programming in the other pair order: --pairs true-first";
        const dump_bytes other_pairs = image_of(jedec_swap_pairs(chip.fuses), chip.wiring);
        EXPECT_EQ(said(verify(chip, other_pairs)), pairs);
        EXPECT_EQ(said(verify(chip, with_two_stray_bits(other_pairs))), pairs + ", and 2 bytes differ besides");
        const std::string wiring = "the image through another wiring: --wiring other";
        const dump_bytes other_wiring_image = image_of(chip.fuses, other_wiring(chip));
        EXPECT_EQ(said(verify(chip, other_wiring_image)), wiring);
        EXPECT_EQ(said(verify(chip, with_two_stray_bits(other_wiring_image))), wiring + ", and 2 bytes differ besides");
        for (const unsigned line : {0U, 3U, 15U}) {
            EXPECT_EQ(said(verify(chip, address_inverted(chip.image, line))),
                      "address line A" + std::to_string(line) + " inverted");
        }
        for (const unsigned line : {0U, 7U}) {
            EXPECT_EQ(said(verify(chip, data_inverted(chip.image, 1U << line))),
                      "data line D" + std::to_string(line) + " inverted");
        }
        EXPECT_EQ(said(verify(chip, shifted(chip.image, 1))), "shifted by 1 byte: each byte 1 address above its own");
        EXPECT_EQ(said(verify(chip, shifted(chip.image, -16))),
                  "shifted by -16 bytes: each byte 16 addresses below its own");
        EXPECT_EQ(said(verify(chip, data_inverted(chip.image, 0xFF))), "every bit inverted");
    }
}

// Two mix-ups at once, or a shift beyond those tried, are no single one: where neither
// explains nearly all the wrong bytes, none is named. (The built-in image repeats every
// four bytes: A2 inverted changes few of them, and a shift by 13 reads most of them as
// one by 17 does; there, the shift is named with the bytes that differ besides.)
TEST(MixUp, TwoAreNotOne) {
    const auto shift_and_rest = [](const std::string& said_words, const std::string& shift) {
        return said_words.starts_with(shift + ", and ") && said_words.ends_with(" bytes differ besides");
    };
    for (const burned& chip : chips()) {
        const std::string unexplained = "no single fault explains the differences";
        const bool repeats = &chip == &chips().front();
        EXPECT_EQ(said(verify(chip, data_inverted(address_inverted(chip.image, 15), 1U << 3))), unexplained);
        const std::string shift_and_line = said(verify(chip, shifted(address_inverted(chip.image, 2), 5)));
        EXPECT_TRUE(repeats ? shift_and_rest(shift_and_line, "shifted by 5 bytes: each byte 5 addresses above its own")
                            : shift_and_line == unexplained)
            << shift_and_line;
        EXPECT_EQ(said(verify(chip, data_inverted(chip.image, 0x81))), unexplained);
        const std::string beyond = said(verify(chip, shifted(chip.image, 17)));
        EXPECT_TRUE(repeats ? shift_and_rest(beyond, "shifted by 13 bytes: each byte 13 addresses above its own")
                            : beyond == unexplained)
            << beyond;
    }
}

} // namespace

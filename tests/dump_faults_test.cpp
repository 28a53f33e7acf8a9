// The faults restorers meet in a burned EPROM's dump, each made from the image by its own
// description in EPROM terms (a range that reads 0xFF, a page that repeats, bits lost
// toward 1, a pin stuck), through the adapter and through a random wiring file, held
// against what verify names and where.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "eprom/image.h"
#include "random_programming.h"
#include "wiring/wiring_text.h"

namespace {

using dump_bytes = std::vector<std::uint8_t>;
using image_span = std::span<const std::uint8_t, eprom_image_size>;

// A wiring file of a board of its own: each address line to a random input, each output
// to a random data line, about a third of the lines inverted.
std::string random_wiring_text(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::array<int, 16> inputs{};
    std::array<int, 8> data{};
    for (int line = 0; line < 16; ++line) {
        inputs.at(static_cast<std::size_t>(line)) = line;
    }
    for (int line = 0; line < 8; ++line) {
        data.at(static_cast<std::size_t>(line)) = line;
    }
    std::shuffle(inputs.begin(), inputs.end(), random);
    std::shuffle(data.begin(), data.end(), random);
    std::string text = "# a board of my own\n";
    for (std::size_t line = 0; line < inputs.size(); ++line) {
        text +=
            "A" + std::to_string(line) + (random() % 3 == 0 ? " /I" : " I") + std::to_string(inputs.at(line)) + "\n";
    }
    for (std::size_t output = 0; output < data.size(); ++output) {
        text +=
            "D" + std::to_string(data.at(output)) + (random() % 3 == 0 ? " /F" : " F") + std::to_string(output) + "\n";
    }
    return text;
}

// The chips the faults are burned into: the built-in programming through the adapter, and
// a random one through a random wiring file.
struct chip {
    std::string name;
    dump_bytes image;
};

const std::vector<chip>& chips() {
    static const std::vector<chip> all = [] {
        std::vector<chip> made;
        made.push_back({"built-in map, adapter", dump_bytes(eprom_image_size)});
        build_eprom_image(std::span<std::uint8_t, eprom_image_size>{made.back().image});
        eprom_wiring board{};
        const std::string text = random_wiring_text(22U);
        EXPECT_FALSE(read_wiring_text(text, board).has_value()) << text;
        made.push_back({"random map, random wiring file", dump_bytes(eprom_image_size)});
        build_eprom_image(std::span<std::uint8_t, eprom_image_size>{made.back().image},
                          random_programming(22U, realistic_style), board);
        return made;
    }();
    return all;
}

image_span image_of(const chip& burned) {
    return image_span{burned.image.data(), eprom_image_size};
}

// The dump read when each address's byte is changed by `fault(address, byte)`.
dump_bytes read_with(const chip& burned, const std::function<unsigned(unsigned, unsigned)>& fault) {
    dump_bytes dump(burned.image);
    for (unsigned address = 0; address < eprom_image_size; ++address) {
        dump[address] = static_cast<std::uint8_t>(fault(address, burned.image[address]));
    }
    return dump;
}

std::string text_of(const chip& burned, const dump_bytes& dump) {
    return render_eprom_verification("dump", verify_eprom_dump(image_of(burned), dump));
}

// The headline: the first line, without the dump's name.
std::string verdict_of(const std::string& text) {
    return text.substr(6, text.find('\n') - 6);
}

std::string hex4(unsigned value) {
    std::array<char, 8> digits{};
    (void)std::snprintf(digits.data(), digits.size(), "0x%04X", value);
    return digits.data();
}

// "  FROM-TO: N bytes wrong, all read 0xFF": a range that failed, by its whole extent
// (bytes in it that happen to be right included), with the count of its wrong bytes.
std::string range_line(const chip& burned, const dump_bytes& dump, unsigned from, unsigned to,
                       const std::string& reading) {
    unsigned wrong = 0;
    for (unsigned address = from; address <= to; ++address) {
        wrong += dump[address] != burned.image[address] ? 1 : 0;
    }
    return "  " + hex4(from) + "-" + hex4(to) + ": " + std::to_string(wrong) + " bytes wrong, " + reading + "\n";
}

bool has_line(const std::string& text, const std::string& line) {
    return text.find("\n" + line) != std::string::npos;
}

// A dead range: 0x4000-0x47FF reads 0xFF (a weak programmer driver): not fully
// programmed, and where.
TEST(DumpFaults, DeadRangeNamedWithItsPlace) {
    for (const chip& burned : chips()) {
        const dump_bytes dump =
            read_with(burned, [](unsigned address, unsigned byte) { return address / 0x800 == 8 ? 0xFFU : byte; });
        const std::string text = text_of(burned, dump);
        EXPECT_EQ(verdict_of(text),
                  "not fully programmed: some 0s did not take; burn it again (the chip type and its programming "
                  "voltage right), or use another chip")
            << burned.name;
        EXPECT_TRUE(has_line(text, range_line(burned, dump, 0x4000, 0x47FF, "all read 0xFF"))) << text;
        EXPECT_EQ(text.find("more range"), std::string::npos) << text;
    }
}

// A bad 64-byte page that reads 0x00 every 0x4000: no chip left unerased, but four
// ranges, the page and its distance.
TEST(DumpFaults, PageRepeatedAtADistance) {
    for (const chip& burned : chips()) {
        const dump_bytes dump = read_with(
            burned, [](unsigned address, unsigned byte) { return (address & 0x3FC0U) == 0x19C0U ? 0x00U : byte; });
        const std::string text = text_of(burned, dump);
        for (unsigned page = 0x19C0; page < eprom_image_size; page += 0x4000) {
            EXPECT_TRUE(has_line(text, range_line(burned, dump, page, page + 63, "all read 0x00"))) << text;
        }
        EXPECT_TRUE(has_line(text, "  every wrong byte lies in 0x19C0-0x19FF + k * 0x4000\n")) << text;
        EXPECT_EQ(verdict_of(text),
                  "ranges read 0x00 where the image has data: a bad page of the chip or a fault of "
                  "the read; read it again, and replace the EPROM if it recurs")
            << burned.name;
    }
}

// Every 256 bytes, the first 16 read 0xFF (a bad socket contact); alternating 64-byte
// blocks read 0xFF (an address line open, floating high for the chip's upper blocks).
TEST(DumpFaults, SameOffsetInEveryBlock) {
    for (const chip& burned : chips()) {
        const dump_bytes lines =
            read_with(burned, [](unsigned address, unsigned byte) { return address % 256 < 16 ? 0xFFU : byte; });
        const std::string lines_text = text_of(burned, lines);
        EXPECT_TRUE(has_line(lines_text, "  every wrong byte has A4 = 0, A5 = 0, A6 = 0 and A7 = 0\n")) << lines_text;
        EXPECT_TRUE(has_line(lines_text, "  every wrong byte lies in 0x0000-0x000F + k * 0x0100\n")) << lines_text;
        EXPECT_TRUE(has_line(lines_text, range_line(burned, lines, 0x0100, 0x010F, "all read 0xFF"))) << lines_text;

        const dump_bytes blocks =
            read_with(burned, [](unsigned address, unsigned byte) { return (address & 0x40U) != 0 ? 0xFFU : byte; });
        const std::string blocks_text = text_of(burned, blocks);
        EXPECT_EQ(verdict_of(blocks_text),
                  "not fully programmed: some 0s did not take; burn it again (the chip type and its programming "
                  "voltage right), or use another chip")
            << burned.name;
        EXPECT_TRUE(has_line(blocks_text, "  every wrong byte has A6 = 1\n")) << blocks_text;
        EXPECT_TRUE(has_line(blocks_text, "  every wrong byte lies in 0x0040-0x007F + k * 0x0080\n")) << blocks_text;
        EXPECT_TRUE(has_line(blocks_text, "  and ")) << blocks_text; // more ranges than are shown
    }
}

// Programmed 0s that read 1 at random places: charge loss, with what to do; the same
// bits on one data line only, or three wrong bytes in a row, are no longer scattered.
TEST(DumpFaults, ChargeLossAndWhatIsNot) {
    for (const chip& burned : chips()) {
        std::mt19937 random(5U);
        dump_bytes dump(burned.image);
        std::vector<unsigned> zeros; // (address << 3) | line of each programmed 0
        for (unsigned address = 0; address < eprom_image_size; ++address) {
            for (unsigned line = 0; line < 8; ++line) {
                if (((burned.image[address] >> line) & 1U) == 0) {
                    zeros.push_back(address << 3 | line);
                }
            }
        }
        std::shuffle(zeros.begin(), zeros.end(), random);
        zeros.resize(30);
        std::vector<unsigned> addresses;
        for (const unsigned bit : zeros) {
            dump[bit >> 3] = static_cast<std::uint8_t>(dump[bit >> 3] | 1U << (bit & 7U));
            addresses.push_back(bit >> 3);
        }
        std::sort(addresses.begin(), addresses.end());
        const auto bytes =
            static_cast<std::size_t>(std::unique(addresses.begin(), addresses.end()) - addresses.begin());
        EXPECT_EQ(verdict_of(text_of(burned, dump)),
                  "scattered bits: 30 read 1 where 0 was burned, in " + std::to_string(bytes) +
                      " bytes: charge loss or weak programming; program it again and read it twice, and replace "
                      "the EPROM if it recurs")
            << burned.name;

        // Twenty lost bits, all on the data line with the most programmed 0s: a line in common.
        std::array<unsigned, 8> zeros_on{};
        for (const std::uint8_t byte : burned.image) {
            for (unsigned line = 0; line < 8; ++line) {
                zeros_on.at(line) += ((byte >> line) & 1U) == 0 ? 1 : 0;
            }
        }
        const auto most = static_cast<unsigned>(std::max_element(zeros_on.begin(), zeros_on.end()) - zeros_on.begin());
        dump_bytes one_line(burned.image);
        int lost = 0;
        for (unsigned address = 0; address < eprom_image_size && lost < 20; address += 1001) {
            if (((one_line[address] >> most) & 1U) == 0) {
                one_line[address] = static_cast<std::uint8_t>(one_line[address] | 1U << most);
                ++lost;
            }
        }
        ASSERT_EQ(lost, 20);
        EXPECT_EQ(verdict_of(text_of(burned, one_line)),
                  "not fully programmed: some 0s did not take; burn it again (the chip type and its programming "
                  "voltage right), or use another chip")
            << burned.name;

        // Three bytes in a row lose a bit each: a range, not scattered.
        dump_bytes in_a_row(burned.image);
        unsigned start = 0x1000;
        while (!std::all_of(&burned.image[start], &burned.image[start] + 3, [](std::uint8_t b) { return b != 0xFF; })) {
            ++start;
        }
        for (unsigned address = start; address < start + 3; ++address) {
            const auto byte = static_cast<unsigned>(in_a_row[address]);
            in_a_row[address] = static_cast<std::uint8_t>(byte | ((byte + 1U) & ~byte)); // its lowest 0 set
        }
        EXPECT_EQ(verdict_of(text_of(burned, in_a_row)),
                  "not fully programmed: some 0s did not take; burn it again (the chip type and its programming "
                  "voltage right), or use another chip")
            << burned.name;
    }
}

// A range that reads 0xFF but for one byte in its middle that reads 0x00 is no range
// "all read 0xFF" from end to end; one bad page alone repeats nowhere.
TEST(DumpFaults, PatternsThatOnlyLookLikeOne) {
    for (const chip& burned : chips()) {
        dump_bytes dump =
            read_with(burned, [](unsigned address, unsigned byte) { return address / 0x800 == 8 ? 0xFFU : byte; });
        dump[0x4400] = 0x00;
        const std::string text = text_of(burned, dump);
        EXPECT_TRUE(has_line(text, range_line(burned, dump, 0x4000, 0x43FF, "all read 0xFF"))) << text;
        EXPECT_TRUE(has_line(text, "  0x4400: 1 byte wrong, reads 0x00\n")) << text;
        EXPECT_TRUE(has_line(text, range_line(burned, dump, 0x4401, 0x47FF, "all read 0xFF"))) << text;

        // One page only: a range, and no repeat.
        const dump_bytes page = read_with(
            burned, [](unsigned address, unsigned byte) { return (address & 0xFFC0U) == 0x19C0U ? 0x00U : byte; });
        const std::string page_text = text_of(burned, page);
        EXPECT_EQ(page_text.find("every wrong byte"), std::string::npos) << page_text;
    }
}

// romcmp's FIXED BITS (x0xxx0xx): D6 and D2 stuck at 0; D3 stuck at 1 with one stray bit
// besides, on D0, and where it is.
TEST(DumpFaults, StuckDataLinesNamed) {
    for (const chip& burned : chips()) {
        const dump_bytes d2_d6 = read_with(burned, [](unsigned, unsigned byte) { return byte & ~0x44U; });
        EXPECT_EQ(verdict_of(text_of(burned, d2_d6)), "data lines D2 and D6 stuck at 0") << burned.name;

        dump_bytes d3 = read_with(burned, [](unsigned, unsigned byte) { return byte | 0x08U; });
        d3[0x1234] ^= 0x01U;
        const std::string text = text_of(burned, d3);
        EXPECT_EQ(verdict_of(text), "data line D3 stuck at 1, and 1 byte differs besides") << burned.name;
        EXPECT_TRUE(has_line(text, "  0x1234: 1 byte wrong, reads ")) << text;

        const dump_bytes mixed = read_with(burned, [](unsigned, unsigned byte) { return (byte & ~0x01U) | 0x80U; });
        EXPECT_EQ(verdict_of(text_of(burned, mixed)), "data lines D0 stuck at 0 and D7 stuck at 1") << burned.name;
    }
}

// A chip never programmed, and one that reads 0x00 everywhere: one line each.
TEST(DumpFaults, BlankAndZeroInOneLine) {
    for (const chip& burned : chips()) {
        EXPECT_EQ(text_of(burned, dump_bytes(eprom_image_size, 0xFF)),
                  "dump: blank: every byte is 0xFF: never programmed, or read from an empty socket; burn it, or seat "
                  "it and read again\n");
        EXPECT_EQ(text_of(burned, dump_bytes(eprom_image_size, 0x00)), "dump: every byte is 0x00\n");
    }
}

// The image burned into the upper half of the chip, the lower half left blank: the two
// halves named as ranges.
TEST(DumpFaults, ImageInTheWrongHalf) {
    for (const chip& burned : chips()) {
        const dump_bytes dump = read_with(burned, [&](unsigned address, unsigned) {
            return address < 0x8000 ? 0xFFU : burned.image[address - 0x8000];
        });
        const std::string text = text_of(burned, dump);
        EXPECT_EQ(verdict_of(text), "no single fault explains the differences") << burned.name;
        EXPECT_TRUE(has_line(text, range_line(burned, dump, 0, 0x7FFF, "all read 0xFF"))) << text;
        const std::size_t upper = text.find("\n  0x8");
        ASSERT_NE(upper, std::string::npos) << text;
        EXPECT_NE(text.find("read other values", upper), std::string::npos) << text;
    }
}

// The dump read when each address's byte comes from another address, `source(address)`.
dump_bytes read_from(const chip& burned, const std::function<unsigned(unsigned)>& source) {
    return read_with(burned, [&](unsigned address, unsigned) { return unsigned{burned.image[source(address)]}; });
}

unsigned bit(unsigned value, unsigned line) {
    return (value >> line) & 1U;
}

// Lines m and n of `value` both at the AND (or the OR) of the two, as a solder bridge
// between two pins drives them.
unsigned bridged(unsigned value, unsigned m, unsigned n, bool wired_or) {
    const unsigned both = wired_or ? bit(value, m) | bit(value, n) : bit(value, m) & bit(value, n);
    return (value & ~((1U << m) | (1U << n))) | (both << m) | (both << n);
}

unsigned exchanged(unsigned value, unsigned m, unsigned n) {
    return (value & ~((1U << m) | (1U << n))) | (bit(value, m) << n) | (bit(value, n) << m);
}

// One to three stray bits (a weak cell, a bad read) flipped on top of a dump.
dump_bytes with_stray_bits(dump_bytes dump, unsigned count) {
    for (unsigned stray = 0; stray < count; ++stray) {
        dump[0x1234 + stray * 0x4321] ^= static_cast<std::uint8_t>(1U << ((3 * stray + 1) % 8));
    }
    return dump;
}

// A fault of the bench or a mix-up, alone and with one to three stray bits on top: the
// fault, then the bytes that differ besides, on their own scattered bits.
TEST(DumpFaults, FaultWithStrayBits) {
    struct described {
        std::string words;
        std::function<dump_bytes(const chip&)> read;
    };
    const std::vector<described> faults = {
        {"data line D3 stuck at 0",
         [](const chip& burned) { return read_with(burned, [](unsigned, unsigned byte) { return byte & ~0x08U; }); }},
        {"data lines D1 and D6 swapped",
         [](const chip& burned) {
             return read_with(burned, [](unsigned, unsigned byte) { return exchanged(byte, 1, 6); });
         }},
        {"data lines D2 and D5 shorted",
         [](const chip& burned) {
             return read_with(burned, [](unsigned, unsigned byte) { return bridged(byte, 2, 5, false); });
         }},
        {"address line A5 stuck at 0",
         [](const chip& burned) { return read_from(burned, [](unsigned address) { return address & ~0x20U; }); }},
        {"address lines A1 and A2 swapped",
         [](const chip& burned) {
             return read_from(burned, [](unsigned address) { return exchanged(address, 1, 2); });
         }},
        {"address lines A0 and A1 shorted",
         [](const chip& burned) {
             return read_from(burned, [](unsigned address) { return bridged(address, 0, 1, false); });
         }},
        {"address lines A3 and A9 shorted",
         [](const chip& burned) {
             return read_from(burned, [](unsigned address) { return bridged(address, 3, 9, true); });
         }},
        {"address line A15 inverted",
         [](const chip& burned) { return read_from(burned, [](unsigned address) { return address ^ 0x8000U; }); }},
        {"data line D3 inverted",
         [](const chip& burned) { return read_with(burned, [](unsigned, unsigned byte) { return byte ^ 0x08U; }); }},
        {"shifted by -16 bytes: each byte 16 addresses below its own",
         [](const chip& burned) {
             return read_with(burned, [&](unsigned address, unsigned) {
                 return address + 16 < eprom_image_size ? unsigned{burned.image[address + 16]} : 0xFFU;
             });
         }},
        {"every bit inverted",
         [](const chip& burned) { return read_with(burned, [](unsigned, unsigned byte) { return ~byte & 0xFFU; }); }},
    };
    for (const chip& burned : chips()) {
        for (const described& fault : faults) {
            const dump_bytes clean = fault.read(burned);
            EXPECT_EQ(verdict_of(text_of(burned, clean)), fault.words) << burned.name;
            for (const unsigned strays : {1U, 3U}) {
                const std::string besides = strays == 1 ? "1 byte differs" : std::to_string(strays) + " bytes differ";
                const std::string text = text_of(burned, with_stray_bits(clean, strays));
                EXPECT_EQ(verdict_of(text), fault.words + ", and " + besides + " besides") << burned.name;
                EXPECT_TRUE(has_line(text, "dump: besides " + fault.words + ", " + besides + ": scattered bits: "))
                    << burned.name << "\n"
                    << text;
            }
        }
    }
}

// Two faults at once, A4 stuck at 1 and D2 stuck at 0: both named, the
// data line first (it explains the more bytes), then the address line, which explains
// the bytes that differ besides it.
TEST(DumpFaults, TwoFaultsNamedTogether) {
    for (const chip& burned : chips()) {
        const dump_bytes dump =
            read_with(burned, [&](unsigned address, unsigned) { return burned.image[address | 0x10U] & ~0x04U; });
        const std::string text = text_of(burned, dump);
        EXPECT_EQ(verdict_of(text), "data line D2 stuck at 0 and address line A4 stuck at 1") << burned.name;
        EXPECT_TRUE(has_line(text, "dump: besides data line D2 stuck at 0, ")) << text;
    }
}

// Every pair of address lines shorted (a wired AND, or for every other pair a wired OR),
// on the board of its own, where every line matters: each is named as it is.
TEST(DumpFaults, ShortedAddressLinesOfEveryPair) {
    const chip& burned = chips()[1];
    bool wired_or = false;
    for (unsigned m = 0; m < 16; ++m) {
        for (unsigned n = m + 1; n < 16; ++n) {
            const dump_bytes dump =
                read_from(burned, [=](unsigned address) { return bridged(address, m, n, wired_or); });
            EXPECT_EQ(verdict_of(text_of(burned, dump)),
                      "address lines A" + std::to_string(m) + " and A" + std::to_string(n) + " shorted")
                << (wired_or ? "OR" : "AND");
            wired_or = !wired_or;
        }
    }
}

// A 1 KiB block that fails and reads 0xFF, whose first and last bytes happen to be right
// (the built-in image holds 0xFF there): the range is still the whole block.
TEST(DumpFaults, RangeWhoseEndsEqualTheImage) {
    const chip& burned = chips()[0];
    constexpr unsigned size = 0x400;
    unsigned first = 0;
    while (first < eprom_image_size && (burned.image[first] != 0xFF || burned.image[first + size - 1] != 0xFF ||
                                        std::all_of(&burned.image[first], &burned.image[first] + size,
                                                    [](std::uint8_t byte) { return byte == 0xFF; }))) {
        first += size;
    }
    ASSERT_LT(first, eprom_image_size);
    const dump_bytes dump = read_with(
        burned, [&](unsigned address, unsigned byte) { return address / size == first / size ? 0xFFU : byte; });
    const std::string text = text_of(burned, dump);
    EXPECT_TRUE(has_line(text, range_line(burned, dump, first, first + size - 1, "all read 0xFF"))) << text;
}

// A few bytes read wrong at random places show no address pattern: as many random places
// share a line by chance; nor does one dead page whose wrong bytes lie where the image's
// content puts them. A page that fails every 0x4000 is named as such, whatever it reads.
TEST(DumpFaults, PatternsOnlyWhereTheyAreEvidence) {
    for (const chip& burned : chips()) {
        std::mt19937 random(11U);
        for (int trial = 0; trial < 60; ++trial) {
            dump_bytes dump(burned.image);
            const auto count = static_cast<unsigned>(4 + random() % 3);
            for (unsigned wrong = 0; wrong < count; ++wrong) {
                dump[random() % eprom_image_size] ^= static_cast<std::uint8_t>(1 + random() % 255);
            }
            const std::string text = text_of(burned, dump);
            EXPECT_EQ(text.find("every wrong byte"), std::string::npos) << burned.name << "\n" << text;
        }
        const dump_bytes page =
            read_with(burned, [](unsigned address, unsigned byte) { return address / 0x100 == 0x41 ? 0xFFU : byte; });
        EXPECT_EQ(text_of(burned, page).find("every wrong byte"), std::string::npos) << text_of(burned, page);
        using reading = unsigned (*)(unsigned address, unsigned byte);
        for (const reading read :
             {reading{[](unsigned, unsigned) { return 0xFFU; }},
              reading{[](unsigned address, unsigned byte) { return byte ^ (0x5AU + address % 7); }}}) {
            const dump_bytes every = read_with(burned, [&](unsigned address, unsigned byte) {
                return (address & 0x3F00U) == 0x0100U ? read(address, byte) : byte;
            });
            EXPECT_TRUE(has_line(text_of(burned, every), "  every wrong byte lies in 0x0100-0x01FF + k * 0x4000\n"))
                << text_of(burned, every);
        }
    }
}

// A 27C010 whose copies both read D0 stuck at 0: one headline for the read, the first copy
// diagnosed in full, the second the same; then a copy that differs by a stray bit more.
TEST(DumpFaults, LargerChipCopyByCopy) {
    const chip& burned = chips()[1];
    const dump_bytes copy = read_with(burned, [](unsigned, unsigned byte) { return byte & ~0x01U; });
    dump_bytes two(copy);
    two.insert(two.end(), copy.begin(), copy.end());
    const std::string text = text_of(burned, two);
    EXPECT_EQ(text.substr(0, text.find("\ndump: copy 1 of 2: ")),
              "dump: the same in each of its 2 copies: data line D0 stuck at 0\n"
              "dump: 131072 bytes: 2 copies of the image's 65536\n"
              "dump: copy 1 of 2, bytes 0x00000-0x0FFFF: data line D0 stuck at 0");
    EXPECT_TRUE(text.ends_with("\ndump: copy 2 of 2, bytes 0x10000-0x1FFFF: the same as copy 1\n")) << text;

    two[0x12345] ^= 0x80U;
    const std::string apart = text_of(burned, two);
    EXPECT_EQ(verdict_of(apart),
              "copy 1: data line D0 stuck at 0; copy 2: data line D0 stuck at 0, and 1 byte differs besides");
    EXPECT_TRUE(has_line(apart, "dump: copy 2 of 2: besides data line D0 stuck at 0, 1 byte differs: ")) << apart;
}

// A 27C010 filled with two copies, as recommended, read whole; then one copy with a byte
// wrong. The status is 0 only when every copy matches.
TEST(DumpFaults, LargerChipWithCopies) {
    const chip& burned = chips()[1];
    dump_bytes two(burned.image);
    two.insert(two.end(), burned.image.begin(), burned.image.end());
    const eprom_verification both = verify_eprom_dump(image_of(burned), two);
    EXPECT_EQ(eprom_exit_status(both), 0);
    EXPECT_EQ(render_eprom_verification("d", both),
              "d: matches the image in each of its 2 copies\n"
              "d: 131072 bytes: 2 copies of the image's 65536\n"
              "d: copy 1 of 2, bytes 0x00000-0x0FFFF: matches the image\n"
              "d: copy 2 of 2, bytes 0x10000-0x1FFFF: matches the image\n");
    ASSERT_EQ(burned.image[5] & 0x40U, 0U);
    two[0x10005] ^= 0x40U;
    const eprom_verification one_wrong = verify_eprom_dump(image_of(burned), two);
    EXPECT_EQ(eprom_exit_status(one_wrong), 1);
    const std::string charge_loss =
        "scattered bits: 1 read 1 where 0 was burned, in 1 byte: charge loss or weak programming; program it again "
        "and read it twice, and replace the EPROM if it recurs";
    EXPECT_EQ(render_eprom_verification("d", one_wrong),
              "d: copy 1 matches the image; copy 2: " + charge_loss +
                  "\n"
                  "d: 131072 bytes: 2 copies of the image's 65536\n"
                  "d: copy 1 of 2, bytes 0x00000-0x0FFFF: matches the image\n"
                  "d: copy 2 of 2, bytes 0x10000-0x1FFFF: " +
                  charge_loss +
                  "\n"
                  "d: copy 2 of 2: 1 byte differs\n"
                  "  0x0005: expected 0x" +
                  hex4(burned.image[5]).substr(4) + ", read 0x" + hex4(two[0x10005]).substr(4) +
                  "\n"
                  "  D6: 0 read 0 for 1, 1 read 1 for 0\n"
                  "  0x0005: 1 byte wrong, reads another value\n");
    // Three copies and a half are no chip's size: the image is at its start all the same.
    two.resize(eprom_image_size * 3 + eprom_image_size / 2);
    EXPECT_EQ(render_eprom_verification("d", verify_eprom_dump(image_of(burned), two)),
              "d: 229376 bytes, expected 65536\n"
              "d: its bytes 0x00000-0x0FFFF are the image, 163840 bytes more after them\n");
}

// Three reads of a chip with D5 stuck at 1 and two weak cells: the weak cells apart, with
// their lines and which way, then the stuck line named from what the reads agree on.
TEST(DumpFaults, SeveralReadsOfOneChip) {
    for (const chip& burned : chips()) {
        std::vector<dump_bytes> reads(3, read_with(burned, [](unsigned, unsigned byte) { return byte | 0x20U; }));
        // A weak cell at 0x0100 on a programmed 0 of D1 reads 1 in the second read;
        // one at 0x8000 on a 1 of D7 reads 0 in the third.
        unsigned zero_at = 0x0100;
        while ((burned.image[zero_at] & 0x02U) != 0) {
            ++zero_at;
        }
        unsigned one_at = 0x8000;
        while ((burned.image[one_at] & 0x80U) == 0) {
            ++one_at;
        }
        reads[1][zero_at] |= 0x02U;
        reads[2][one_at] &= 0x7FU;
        const std::vector<std::span<const std::uint8_t>> spans(reads.begin(), reads.end());
        const eprom_reads_verification result = verify_eprom_reads(image_of(burned), spans);
        EXPECT_EQ(eprom_exit_status(result), 1);
        const std::vector<std::string> names = {"a", "b", "c"};
        const std::string text = render_eprom_reads(names, result);
        const auto read_line = [&](unsigned address) {
            std::string line = "  " + hex4(address) + ": expected 0x";
            std::array<char, 4> digits{};
            (void)std::snprintf(digits.data(), digits.size(), "%02X", burned.image[address]);
            line += digits.data();
            line += ", read";
            for (const dump_bytes& read : reads) {
                (void)std::snprintf(digits.data(), digits.size(), "%02X", read[address]);
                line += " 0x" + std::string(digits.data());
            }
            return line + "\n";
        };
        EXPECT_EQ(text.substr(0, text.find("a + b + c: ", 1)),
                  "a + b + c: 2 bytes differ between the reads: weak cells or a bad contact\n" + read_line(zero_at) +
                      read_line(one_at) +
                      "  D1: 0 read 0 for 1, 1 read 1 for 0 in some reads\n"
                      "  D7: 1 read 0 for 1, 0 read 1 for 0 in some reads\n")
            << text;
        EXPECT_NE(text.find("\na + b + c: data line D5 stuck at 1\n"), std::string::npos) << text;
    }
}

// A read that is one value throughout, among reads that are not, read no chip (an empty
// socket): it is set aside and called so, and the other reads are held together.
TEST(DumpFaults, ReadOfNoChipSetAside) {
    const chip& burned = chips()[0];
    const dump_bytes blank(eprom_image_size, 0xFF);
    const std::vector<std::span<const std::uint8_t>> good_and_blank = {burned.image, blank};
    const eprom_reads_verification one_blank = verify_eprom_reads(image_of(burned), good_and_blank);
    EXPECT_EQ(eprom_exit_status(one_blank), 1);
    const std::vector<std::string> two_names = {"a", "b"};
    EXPECT_EQ(render_eprom_reads(two_names, one_blank),
              "a + b: b is blank: every byte is 0xFF\na: matches the image\n");

    const dump_bytes stuck = read_with(burned, [](unsigned, unsigned byte) { return byte | 0x20U; });
    const dump_bytes zero(eprom_image_size, 0x00);
    const std::vector<std::span<const std::uint8_t>> reads = {stuck, zero, stuck};
    const std::vector<std::string> names = {"a", "b", "c"};
    const std::string text = render_eprom_reads(names, verify_eprom_reads(image_of(burned), reads));
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
              "a + b + c: b is all zero: every byte is 0x00\na + c: data line D5 stuck at 1\n");
}

// Reads that agree and match: status 0 and the one line; reads of other sizes each alone.
TEST(DumpFaults, SeveralReadsThatAgree) {
    const chip& burned = chips()[0];
    const std::vector<std::span<const std::uint8_t>> same(2, std::span<const std::uint8_t>(burned.image));
    const eprom_reads_verification agreed = verify_eprom_reads(image_of(burned), same);
    EXPECT_EQ(eprom_exit_status(agreed), 0);
    const std::vector<std::string> names = {"a", "b"};
    EXPECT_EQ(render_eprom_reads(names, agreed), "a + b: matches the image\n");

    const std::vector<std::span<const std::uint8_t>> sizes = {
        std::span<const std::uint8_t>(burned.image), std::span<const std::uint8_t>(burned.image).first(0x8000)};
    const eprom_reads_verification alone = verify_eprom_reads(image_of(burned), sizes);
    EXPECT_EQ(eprom_exit_status(alone), 1);
    EXPECT_EQ(render_eprom_reads(names, alone),
              "a + b: 1 of 2 reads matches the image\n"
              "a: matches the image\n"
              "b: 32768 bytes, expected 65536\n"
              "b: equals part 1 of 2 of the image, bytes 0x0000-0x7FFF\n");
}

} // namespace

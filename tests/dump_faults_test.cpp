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

// The verdict line: the last that starts with the dump's name, without it.
std::string verdict_of(const std::string& text) {
    const std::size_t start = text.rfind("\ndump: ") == std::string::npos ? 0 : text.rfind("\ndump: ") + 1;
    return text.substr(start + 6, text.find('\n', start) - start - 6);
}

std::string hex4(unsigned value) {
    std::array<char, 8> digits{};
    (void)std::snprintf(digits.data(), digits.size(), "0x%04X", value);
    return digits.data();
}

// "  FIRST-LAST: N bytes wrong, all read 0xFF" for the wrong bytes of the dump from
// `from` to `to`, as the place line names a range of them.
std::string range_line(const chip& burned, const dump_bytes& dump, unsigned from, unsigned to,
                       const std::string& reading) {
    unsigned first = to;
    unsigned last = from;
    unsigned wrong = 0;
    for (unsigned address = from; address <= to; ++address) {
        if (dump[address] != burned.image[address]) {
            first = std::min(first, address);
            last = std::max(last, address);
            ++wrong;
        }
    }
    return "  " + hex4(first) + "-" + hex4(last) + ": " + std::to_string(wrong) + " bytes wrong, " + reading + "\n";
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

// A 27C010 filled with two copies, as recommended, read whole; then one copy with a byte
// wrong. The status is 0 only when every copy matches.
TEST(DumpFaults, LargerChipWithCopies) {
    const chip& burned = chips()[1];
    dump_bytes two(burned.image);
    two.insert(two.end(), burned.image.begin(), burned.image.end());
    const eprom_verification both = verify_eprom_dump(image_of(burned), two);
    EXPECT_EQ(eprom_exit_status(both), 0);
    EXPECT_EQ(render_eprom_verification("d", both),
              "d: 131072 bytes: 2 copies of the image's 65536\n"
              "d: copy 1 of 2, bytes 0x00000-0x0FFFF: matches the image\n"
              "d: copy 2 of 2, bytes 0x10000-0x1FFFF: matches the image\n");
    two[0x10005] ^= 0x40U;
    const eprom_verification one_wrong = verify_eprom_dump(image_of(burned), two);
    EXPECT_EQ(eprom_exit_status(one_wrong), 1);
    EXPECT_EQ(render_eprom_verification("d", one_wrong),
              "d: 131072 bytes: 2 copies of the image's 65536\n"
              "d: copy 1 of 2, bytes 0x00000-0x0FFFF: matches the image\n"
              "d: copy 2 of 2, bytes 0x10000-0x1FFFF: 1 byte differs\n");
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

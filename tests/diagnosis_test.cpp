#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "eprom/image.h"
#include "pla/pla.h"

namespace {

using image_bytes = std::array<std::uint8_t, eprom_image_size>;
using dump_bytes = std::vector<std::uint8_t>;

const image_bytes& built_in_image() {
    static const auto built = [] {
        image_bytes bytes{};
        build_eprom_image(bytes);
        return bytes;
    }();
    return built;
}

// A random programming in which every line matters: each term tests two to four random
// inputs and feeds each output with chance 1/4. (EverySingleFaultOnARandomMap shows that
// every line matters: each fault gives a dump of its own.)
const image_bytes& random_map_image() {
    static const auto built = [] {
        std::mt19937 random(20240608U);
        const auto draw = [&](std::size_t below) { return static_cast<std::size_t>(random() % below); };
        pla_fuses fuses{};
        fuses.fill(1);
        for (std::size_t term = 0; term < pla_term_count; ++term) {
            const std::size_t literals = 2 + draw(3);
            for (std::size_t literal = 0; literal < literals; ++literal) {
                const std::size_t input = draw(pla_input_count);
                fuses[draw(2) == 0 ? pla_true_fuse(term, input) : pla_complement_fuse(term, input)] = 0;
            }
            for (std::size_t output = 0; output < pla_output_count; ++output) {
                fuses[pla_output_fuse(term, output)] = draw(4) == 0 ? 0 : 1;
            }
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses[pla_polarity_fuse(output)] = static_cast<std::uint8_t>(draw(2));
        }
        image_bytes bytes{};
        build_eprom_image(bytes, fuses, eprom_wiring::adapter);
        return bytes;
    }();
    return built;
}

unsigned level(unsigned value, unsigned line) {
    return (value >> line) & 1U;
}

unsigned with_level(unsigned value, unsigned line, unsigned bit) {
    return (value & ~(1U << line)) | (bit << line);
}

unsigned swapped(unsigned value, unsigned m, unsigned n) {
    return with_level(with_level(value, m, level(value, n)), n, level(value, m));
}

// A fault of the bench, as the words that name it and what it does: the byte read for
// each byte held, and the address the chip sees for an address the programmer drives,
// swapped(address & keep | force, swap_m, swap_n).
struct fault {
    std::string words;
    std::array<std::uint8_t, 256> read{};
    unsigned keep = 0xFFFF;
    unsigned force = 0;
    unsigned swap_m = 0;
    unsigned swap_n = 0;
};

template <typename Read>
fault data_fault(std::string words, Read read) {
    fault made{std::move(words)};
    for (unsigned byte = 0; byte < 256; ++byte) {
        made.read[byte] = static_cast<std::uint8_t>(read(byte));
    }
    return made;
}

fault address_fault(std::string words, unsigned keep, unsigned force, unsigned swap_m, unsigned swap_n) {
    fault made = data_fault(std::move(words), [](unsigned byte) { return byte; });
    made.keep = keep;
    made.force = force;
    made.swap_m = swap_m;
    made.swap_n = swap_n;
    return made;
}

// Plain loops over raw bytes: the tests run unoptimized, and inject runs some 600 times.
dump_bytes inject(const image_bytes& image, const std::vector<fault>& faults) {
    dump_bytes dump(image.begin(), image.end());
    std::uint8_t* const bytes = dump.data();
    const fault* const list = faults.data();
    const std::size_t count = faults.size();
    for (const fault& each : faults) {
        if (each.keep != 0xFFFFU || each.swap_m != each.swap_n) {
            const std::uint8_t* const held = image.data();
            for (unsigned address = 0; address < eprom_image_size; ++address) {
                unsigned seen = address;
                for (std::size_t index = 0; index < count; ++index) {
                    const fault& other = list[index];
                    seen = (seen & other.keep) | other.force;
                    const unsigned differ = ((seen >> other.swap_m) ^ (seen >> other.swap_n)) & 1U;
                    seen ^= (differ << other.swap_m) | (differ << other.swap_n);
                }
                bytes[address] = held[seen];
            }
            break;
        }
    }
    for (const fault& each : faults) {
        const std::uint8_t* const read = each.read.data();
        for (std::size_t address = 0; address < eprom_image_size; ++address) {
            bytes[address] = read[bytes[address]];
        }
    }
    return dump;
}

// Every single fault, in the order in which they are named when two give the same dump.
std::vector<fault> single_faults() {
    std::vector<fault> faults;
    faults.push_back(data_fault(
        "blank: every byte is 0xFF: never programmed, or read from an empty socket; burn it, or seat it and read again",
        [](unsigned) { return 0xFFU; }));
    for (unsigned m = 0; m < 8; ++m) {
        for (unsigned v = 0; v < 2; ++v) {
            faults.push_back(data_fault("data line D" + std::to_string(m) + " stuck at " + std::to_string(v),
                                        [=](unsigned byte) { return with_level(byte, m, v); }));
        }
    }
    const auto pair_words = [](const char* lines, char kind, unsigned m, unsigned n, const char* how) {
        return std::string(lines) + kind + std::to_string(m) + " and " + kind + std::to_string(n) + how;
    };
    for (unsigned m = 0; m < 8; ++m) {
        for (unsigned n = m + 1; n < 8; ++n) {
            faults.push_back(data_fault(pair_words("data lines ", 'D', m, n, " swapped"),
                                        [=](unsigned byte) { return swapped(byte, m, n); }));
        }
    }
    for (unsigned m = 0; m < 8; ++m) {
        for (unsigned n = m + 1; n < 8; ++n) {
            for (const bool wired_or : {false, true}) {
                faults.push_back(data_fault(pair_words("data lines ", 'D', m, n, " shorted"), [=](unsigned byte) {
                    const unsigned both = wired_or ? level(byte, m) | level(byte, n) : level(byte, m) & level(byte, n);
                    return with_level(with_level(byte, m, both), n, both);
                }));
            }
        }
    }
    for (unsigned m = 0; m < 16; ++m) {
        for (unsigned v = 0; v < 2; ++v) {
            faults.push_back(address_fault("address line A" + std::to_string(m) + " stuck at " + std::to_string(v),
                                           0xFFFFU & ~(1U << m), v << m, 0, 0));
        }
    }
    for (unsigned m = 0; m < 16; ++m) {
        for (unsigned n = m + 1; n < 16; ++n) {
            faults.push_back(address_fault(pair_words("address lines ", 'A', m, n, " swapped"), 0xFFFF, 0, m, n));
        }
    }
    return faults;
}

// The data lines that read one level at every address of the dump where the image has
// both, in words: "data lines D2 and D6 stuck at 0", ", and N bytes differ besides" when
// the dump holds more than that (at most as many as the lines explain); empty when there
// are none, or when they explain less than half the wrong bytes.
std::string stuck_lines_words(const image_bytes& image, const dump_bytes& dump) {
    std::vector<std::pair<unsigned, unsigned>> stuck; // line, level
    for (unsigned line = 0; line < 8; ++line) {
        std::array<bool, 2> in_image{};
        std::array<bool, 2> in_dump{};
        for (std::size_t address = 0; address < eprom_image_size; ++address) {
            in_image.at(level(image[address], line)) = true;
            in_dump.at(level(dump[address], line)) = true;
        }
        if (in_image[0] && in_image[1] && in_dump[0] != in_dump[1]) {
            stuck.emplace_back(line, in_dump[1] ? 1U : 0U);
        }
    }
    if (stuck.empty()) {
        return "";
    }
    const bool one_level =
        std::all_of(stuck.begin(), stuck.end(), [&](const auto& each) { return each.second == stuck.front().second; });
    std::string words = stuck.size() == 1 ? "data line " : "data lines ";
    for (std::size_t index = 0; index < stuck.size(); ++index) {
        if (index > 0) {
            words += index + 1 == stuck.size() ? " and " : ", ";
        }
        words += "D" + std::to_string(stuck[index].first);
        if (!one_level) {
            words += " stuck at " + std::to_string(stuck[index].second);
        }
    }
    if (one_level) {
        words += " stuck at " + std::to_string(stuck.front().second);
    }
    std::size_t besides = 0;
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        unsigned held = image[address];
        for (const auto& [line, stuck_level] : stuck) {
            held = with_level(held, line, stuck_level);
        }
        besides += held != dump[address] ? 1 : 0;
    }
    std::size_t differing = 0;
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        differing += image[address] != dump[address] ? 1 : 0;
    }
    if (2 * besides > differing) {
        return ""; // the lines explain less than half the wrong bytes: not named
    }
    if (besides > 0) {
        words +=
            ", and " + std::to_string(besides) + (besides == 1 ? " byte differs besides" : " bytes differ besides");
    }
    return words;
}

// The diagnosis by brute force: the first single fault whose dump is this one, else the
// direction of the wrong bits.
class oracle {
public:
    explicit oracle(const image_bytes& image) : image_(image), faults_(single_faults()) {
        for (const fault& each : faults_) {
            dumps_.push_back(inject(image, {each}));
        }
    }

    [[nodiscard]] const std::vector<fault>& faults() const {
        return faults_;
    }
    [[nodiscard]] const dump_bytes& dump_of(std::size_t index) const {
        return dumps_[index];
    }

    [[nodiscard]] std::string diagnosis(const dump_bytes& dump) const {
        if (std::equal(dump.begin(), dump.end(), image_.begin())) {
            return "matches the image";
        }
        for (std::size_t index = 0; index < faults_.size(); ++index) {
            if (dumps_[index] == dump) {
                return faults_[index].words;
            }
        }
        unsigned read_0_for_1 = 0;
        unsigned read_1_for_0 = 0;
        for (std::size_t address = 0; address < eprom_image_size; ++address) {
            read_0_for_1 |= image_[address] & ~dump[address] & 0xFFU;
            read_1_for_0 |= dump[address] & ~image_[address] & 0xFFU;
        }
        if (const std::string stuck = stuck_lines_words(image_, dump); !stuck.empty()) {
            return stuck;
        }
        if (read_1_for_0 == 0) {
            return "not erased before programming";
        }
        if (read_0_for_1 == 0) {
            return "not fully programmed: some 0s did not take; burn it again (the chip type and its programming "
                   "voltage right), or use another chip";
        }
        return "no single fault explains the differences";
    }

private:
    const image_bytes& image_;
    std::vector<fault> faults_;
    std::vector<dump_bytes> dumps_;
};

const oracle& built_in_oracle() {
    static const oracle made(built_in_image());
    return made;
}

const oracle& random_map_oracle() {
    static const oracle made(random_map_image());
    return made;
}

// The words after "dump.bin: " on the last line that starts with it.
std::string diagnosis_of(const image_bytes& image, const dump_bytes& dump) {
    const eprom_verification result = verify_eprom_dump(image, dump);
    const std::string text = render_eprom_verification("dump.bin", result);
    const std::size_t start = text.rfind("\ndump.bin: ");
    const std::size_t words = start == std::string::npos ? 10 : start + 11;
    return text.substr(words, text.find('\n', words) - words);
}

// Each fault injected alone is named, or, where it changes nothing or gives the same
// dump as a fault tried before it, the image matches or the earlier fault is named.
void expect_every_single_fault_named(const image_bytes& image, const oracle& brute_force, int& named_as_injected) {
    named_as_injected = 0;
    for (std::size_t index = 0; index < brute_force.faults().size(); ++index) {
        const dump_bytes& dump = brute_force.dump_of(index);
        const std::string expected = brute_force.diagnosis(dump);
        EXPECT_EQ(diagnosis_of(image, dump), expected) << "injected: " << brute_force.faults()[index].words;
        named_as_injected += expected == brute_force.faults()[index].words ? 1 : 0;
    }
}

TEST(Diagnosis, EverySingleFaultOnTheBuiltInImage) {
    int named_as_injected = 0;
    expect_every_single_fault_named(built_in_image(), built_in_oracle(), named_as_injected);
    // The built-in image ignores some lines and holds some data lines alike, so not every
    // fault shows; most do.
    EXPECT_GT(named_as_injected, 100);
}

// On an image where every line matters, every fault is told apart from every other.
TEST(Diagnosis, EverySingleFaultOnARandomMap) {
    int named_as_injected = 0;
    expect_every_single_fault_named(random_map_image(), random_map_oracle(), named_as_injected);
    EXPECT_EQ(named_as_injected, static_cast<int>(random_map_oracle().faults().size()));
}

// Bits flipped at random addresses, all one way: scattered, so named as charge loss (read
// 1 for 0) or as cells left programmed (read 0 for 1), with the count of bits and bytes.
TEST(Diagnosis, ScatteredBitsOneWay) {
    for (const image_bytes* image : {&built_in_image(), &random_map_image()}) {
        std::mt19937 random(7U);
        for (const bool to_zero : {true, false}) {
            dump_bytes dump(image->begin(), image->end());
            int flipped = 0;
            while (flipped < 40) {
                const std::size_t address = random() % eprom_image_size;
                const auto bit = static_cast<std::uint8_t>(1U << (random() % 8U));
                if (((dump[address] & bit) != 0) == to_zero) {
                    dump[address] ^= bit;
                    ++flipped;
                }
            }
            std::size_t bytes = 0;
            for (std::size_t address = 0; address < eprom_image_size; ++address) {
                bytes += dump[address] != (*image)[address] ? 1 : 0;
            }
            const std::string expected =
                to_zero ? "scattered bits: 40 read 0 where 1 was burned, in " + std::to_string(bytes) +
                              " bytes: cells left programmed (erased too briefly) or bad reads; erase it fully, "
                              "program it again and read it twice"
                        : "scattered bits: 40 read 1 where 0 was burned, in " + std::to_string(bytes) +
                              " bytes: charge loss or weak programming; program it again and read it twice, and "
                              "replace the EPROM if it recurs";
            EXPECT_EQ(diagnosis_of(*image, dump), expected);
        }
    }
}

// Two faults at once: two data lines stuck are named together; a data line stuck with an
// address fault is named with the bytes that differ besides; other pairs are named as no
// single fault, unless (on the built-in image) the two happen to give the dump of one.
TEST(Diagnosis, TwoFaultsAtOnce) {
    const std::vector<fault> faults = single_faults();
    const auto find = [&](const std::string& words) {
        return *std::find_if(faults.begin(), faults.end(), [&](const fault& each) { return each.words == words; });
    };
    std::vector<std::vector<fault>> pairs;
    for (unsigned m = 0; m < 8; ++m) {
        pairs.push_back({find("data line D" + std::to_string(m) + " stuck at 0"),
                         find("data line D" + std::to_string((m + 3) % 8) + " stuck at 1")});
    }
    for (unsigned m = 0; m < 16; ++m) {
        pairs.push_back({find("address line A" + std::to_string(m) + " stuck at " + std::to_string(m % 2)),
                         find("data line D" + std::to_string(m % 8) + " stuck at " + std::to_string(1 - m % 2))});
    }
    for (unsigned m = 0; m < 8; ++m) {
        pairs.push_back({find("address lines A" + std::to_string(m) + " and A" + std::to_string(15 - m) + " swapped"),
                         find("address line A" + std::to_string(2 * m + 1) + " stuck at 1")});
    }
    pairs.push_back({find("data lines D1 and D6 swapped"), find("address lines A0 and A1 swapped")});
    pairs.push_back({find("data lines D0 and D3 shorted"), find("address line A2 stuck at 0")});

    int unexplained = 0;
    for (std::size_t index = 0; index < pairs.size(); ++index) {
        const std::vector<fault>& pair = pairs[index];
        const std::string injected = pair[0].words + " + " + pair[1].words;
        const dump_bytes random_map_dump = inject(random_map_image(), pair);
        if (index < 8) {
            // D(m) at 0 and D(m + 3) at 1.
            const std::size_t low = std::min(index, (index + 3) % 8);
            const std::size_t high = std::max(index, (index + 3) % 8);
            EXPECT_EQ(diagnosis_of(random_map_image(), random_map_dump),
                      "data lines D" + std::to_string(low) + " stuck at " + (low == index ? "0" : "1") + " and D" +
                          std::to_string(high) + " stuck at " + (high == index ? "0" : "1"))
                << injected;
        } else if (index < 24) {
            EXPECT_EQ(diagnosis_of(random_map_image(), random_map_dump), random_map_oracle().diagnosis(random_map_dump))
                << injected;
        } else {
            EXPECT_EQ(diagnosis_of(random_map_image(), random_map_dump), "no single fault explains the differences")
                << injected;
        }
        const dump_bytes built_in_dump = inject(built_in_image(), pair);
        const std::string expected = built_in_oracle().diagnosis(built_in_dump);
        EXPECT_EQ(diagnosis_of(built_in_image(), built_in_dump), expected) << injected;
        unexplained += expected == "no single fault explains the differences" ? 1 : 0;
    }
    EXPECT_GE(unexplained, 5);
}

// Images built so that faults of different kinds give the same dump: the data lines
// follow the low address lines.
image_bytes image_of(unsigned (*byte_at)(unsigned address)) {
    image_bytes image{};
    for (unsigned address = 0; address < eprom_image_size; ++address) {
        image[address] = static_cast<std::uint8_t>(byte_at(address));
    }
    return image;
}

TEST(Diagnosis, EarlierKindNamedWhenTwoGiveTheSameDump) {
    const auto named = [](const image_bytes& image, const std::string& injected) {
        const std::vector<fault> faults = single_faults();
        const auto found =
            std::find_if(faults.begin(), faults.end(), [&](const fault& each) { return each.words == injected; });
        return diagnosis_of(image, inject(image, {*found}));
    };
    // D0 and D1 read A0 and A1; every other data line is 1.
    const image_bytes follows = image_of([](unsigned address) { return 0xFCU | (address & 3U); });
    EXPECT_EQ(named(follows, "address line A0 stuck at 0"), "data line D0 stuck at 0");
    EXPECT_EQ(named(follows, "address lines A0 and A1 swapped"), "data lines D0 and D1 swapped");
    EXPECT_EQ(named(follows, "data line D2 stuck at 1"), "matches the image");
    // D0 reads A0, every other line 1: D0 at 1 leaves nothing but 0xFF.
    const image_bytes one_line = image_of([](unsigned address) { return 0xFEU | (address & 1U); });
    EXPECT_EQ(named(one_line, "address line A0 stuck at 1"),
              "blank: every byte is 0xFF: never programmed, or read from an empty socket; burn it, or seat it and read "
              "again");
    // D0 reads A0 and D1 reads A0 OR A1: their AND is A0, so only D1 goes wrong.
    const image_bytes implied =
        image_of([](unsigned address) { return 0xFCU | (address & 1U) | ((address & 3U) != 0 ? 2U : 0U); });
    EXPECT_EQ(named(implied, "data lines D0 and D1 shorted"), "data lines D0 and D1 shorted");
    // A0 at 0 turns 0x0F into 0x03: bits read 0 for 1 only, and an address line says why.
    const image_bytes alternating = image_of([](unsigned address) { return (address & 1U) != 0 ? 0x0FU : 0x03U; });
    EXPECT_EQ(named(alternating, "address line A0 stuck at 0"), "address line A0 stuck at 0");
}

// The wrong bits of an unexplained dump, counted one by one here: D1 stuck at 0 and D5
// stuck at 1 at the odd addresses of the upper half only, so that A0 and A15 are at 1 at
// every difference.
TEST(Diagnosis, UnexplainedCounts) {
    const image_bytes& image = random_map_image();
    dump_bytes dump(image.begin(), image.end());
    for (std::size_t address = 0x8001; address < eprom_image_size; address += 2) {
        dump[address] = static_cast<std::uint8_t>((dump[address] & ~0x02U) | 0x20U);
    }
    std::array<std::uint32_t, 8> read_0_for_1{};
    std::array<std::uint32_t, 8> read_1_for_0{};
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        for (unsigned line = 0; line < 8; ++line) {
            read_0_for_1[line] += level(image[address], line) == 1 && level(dump[address], line) == 0 ? 1 : 0;
            read_1_for_0[line] += level(image[address], line) == 0 && level(dump[address], line) == 1 ? 1 : 0;
        }
    }
    ASSERT_GT(read_0_for_1[1], 1000U);
    ASSERT_GT(read_1_for_0[5], 1000U);
    const eprom_verification result = verify_eprom_dump(image, dump);
    ASSERT_EQ(result.verdict, eprom_verdict::unexplained);
    for (unsigned line = 0; line < 8; ++line) {
        EXPECT_EQ(result.data_line_errors[line].read_0_for_1, read_0_for_1[line]) << "D" << line;
        EXPECT_EQ(result.data_line_errors[line].read_1_for_0, read_1_for_0[line]) << "D" << line;
    }
    const std::string text = render_eprom_verification("d", result);
    EXPECT_NE(text.find("\n  D1: " + std::to_string(read_0_for_1[1]) +
                        " read 0 for 1, 0 read 1 for 0\n"
                        "  D5: 0 read 0 for 1, " +
                        std::to_string(read_1_for_0[5]) +
                        " read 1 for 0\n"
                        "  0x8001-0xFFFF: " +
                        std::to_string(result.differing_bytes) +
                        " bytes wrong, read other values\n"
                        "  every wrong byte has A0 = 1\n"),
              std::string::npos)
        << text;
}

TEST(Diagnosis, EqualDumpIsNeverDiagnosed) {
    for (const image_bytes* image : {&built_in_image(), &random_map_image()}) {
        const eprom_verification result = verify_eprom_dump(*image, *image);
        EXPECT_EQ(result.verdict, eprom_verdict::matches);
        EXPECT_EQ(eprom_exit_status(result), 0);
        EXPECT_EQ(render_eprom_verification("burned.bin", result), "burned.bin: matches the image\n");
    }
}

// The first sixteen bytes of the built-in image are 0xBF where A1 is 0 and 0xFF where
// it is 1. 0x3F occurs nowhere in it, so no fault of the lines gives it; three bytes wrong
// both ways are scattered bits.
TEST(Diagnosis, ScatteredBothWaysText) {
    dump_bytes dump(built_in_image().begin(), built_in_image().end());
    dump[0x0000] = 0x3F;
    dump[0x0002] = 0x7F;
    dump[0x000D] = 0xFF;
    const eprom_verification result = verify_eprom_dump(built_in_image(), dump);
    EXPECT_EQ(eprom_exit_status(result), 1);
    EXPECT_EQ(render_eprom_verification("dump.bin", result),
              "dump.bin: 3 bytes differ\n"
              "  0x0000: expected 0xBF, read 0x3F\n"
              "  0x0002: expected 0xFF, read 0x7F\n"
              "  0x000D: expected 0xBF, read 0xFF\n"
              "dump.bin: scattered bits: 1 read 1 where 0 was burned and 2 read 0 where 1 was burned, in 3 bytes: "
              "bad reads (a socket contact, the programmer) or a damaged chip; read it again, on another programmer "
              "if you can\n"
              "  D6: 0 read 0 for 1, 1 read 1 for 0\n"
              "  D7: 2 read 0 for 1, 0 read 1 for 0\n"
              "  0x0000-0x0002: 2 bytes wrong, read other values\n"
              "  0x000D: 1 byte wrong, reads 0xFF\n");
}

TEST(Diagnosis, OneDifferenceText) {
    dump_bytes dump(built_in_image().begin(), built_in_image().end());
    dump[0x0002] = 0xBF;
    EXPECT_EQ(render_eprom_verification("dump.bin", verify_eprom_dump(built_in_image(), dump)),
              "dump.bin: 1 byte differs\n"
              "  0x0002: expected 0xFF, read 0xBF\n"
              "dump.bin: scattered bits: 1 read 0 where 1 was burned, in 1 byte: cells left programmed (erased too "
              "briefly) or bad reads; erase it fully, program it again and read it twice\n"
              "  D6: 1 read 0 for 1, 0 read 1 for 0\n"
              "  0x0002: 1 byte wrong, reads another value\n");
}

// Both bytes of the first sixteen hold D3 high, so the first eight addresses all differ.
TEST(Diagnosis, FirstEightDifferencesText) {
    dump_bytes dump(built_in_image().begin(), built_in_image().end());
    std::size_t high = 0;
    for (std::uint8_t& byte : dump) {
        high += (byte & 0x08U) != 0 ? 1 : 0;
        byte &= 0xF7U;
    }
    EXPECT_EQ(render_eprom_verification("d", verify_eprom_dump(built_in_image(), dump)),
              "d: " + std::to_string(high) +
                  " bytes differ\n"
                  "  0x0000: expected 0xBF, read 0xB7\n"
                  "  0x0001: expected 0xBF, read 0xB7\n"
                  "  0x0002: expected 0xFF, read 0xF7\n"
                  "  0x0003: expected 0xFF, read 0xF7\n"
                  "  0x0004: expected 0xBF, read 0xB7\n"
                  "  0x0005: expected 0xBF, read 0xB7\n"
                  "  0x0006: expected 0xFF, read 0xF7\n"
                  "  0x0007: expected 0xFF, read 0xF7\n"
                  "d: data line D3 stuck at 0\n");
}

std::string size_text(const image_bytes& image, std::size_t offset, std::size_t size) {
    const std::span<const std::uint8_t> whole(image);
    const eprom_verification result = verify_eprom_dump(image, whole.subspan(offset, size));
    EXPECT_EQ(eprom_exit_status(result), 1);
    return render_eprom_verification("d", result);
}

// A smaller chip read in the socket gives an aligned power-of-two part of the image.
TEST(Diagnosis, WrongSize) {
    EXPECT_EQ(size_text(built_in_image(), 0, 0x8000),
              "d: 32768 bytes, expected 65536\n"
              "d: equals part 1 of 2 of the image, bytes 0x0000-0x7FFF\n");
    EXPECT_EQ(size_text(random_map_image(), 0xC000, 0x4000),
              "d: 16384 bytes, expected 65536\n"
              "d: equals part 4 of 4 of the image, bytes 0xC000-0xFFFF\n");
    EXPECT_EQ(size_text(random_map_image(), 0x0C00, 0x0400),
              "d: 1024 bytes, expected 65536\n"
              "d: equals part 4 of 64 of the image, bytes 0x0C00-0x0FFF\n");
    // Not aligned, not a power of two, too small to be a chip, empty.
    EXPECT_EQ(size_text(random_map_image(), 0x0200, 0x0400), "d: 1024 bytes, expected 65536\n");
    EXPECT_EQ(size_text(random_map_image(), 0, 0x6000), "d: 24576 bytes, expected 65536\n");
    EXPECT_EQ(size_text(random_map_image(), 0, 0x0200), "d: 512 bytes, expected 65536\n");
    EXPECT_EQ(size_text(random_map_image(), 0, 0), "d: 0 bytes, expected 65536\n");

    // A byte too many, after the image or before it: the image is found inside.
    dump_bytes longer(random_map_image().begin(), random_map_image().end());
    longer.push_back(0xFF);
    EXPECT_EQ(render_eprom_verification("d", verify_eprom_dump(random_map_image(), longer)),
              "d: 65537 bytes, expected 65536\n"
              "d: its bytes 0x00000-0x0FFFF are the image, 1 byte more after them\n");
    longer.insert(longer.begin(), 16, 0x00);
    longer.pop_back();
    EXPECT_EQ(render_eprom_verification("d", verify_eprom_dump(random_map_image(), longer)),
              "d: 65552 bytes, expected 65536\n"
              "d: its bytes 0x00010-0x1000F are the image, 16 bytes more before them\n");
    longer.back() ^= 0x01U;
    EXPECT_EQ(render_eprom_verification("d", verify_eprom_dump(random_map_image(), longer)),
              "d: 65552 bytes, expected 65536\n");
    dump_bytes wrong_half(random_map_image().begin(), random_map_image().begin() + 0x8000);
    wrong_half[0x1234] ^= 0x10U;
    EXPECT_EQ(render_eprom_verification("d", verify_eprom_dump(random_map_image(), wrong_half)),
              "d: 32768 bytes, expected 65536\n");
}

} // namespace

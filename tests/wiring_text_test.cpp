#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "eprom/image.h"
#include "eprom/wiring.h"
#include "wiring/wiring_text.h"

namespace {

// The adapter as a person writes it off the board: data lines first, in no order, with
// comments, tabs and CR LF line ends.
constexpr std::string_view adapter_by_hand =
    "# the adapter\r\n"
    "D0 F6\r\nD7\tF7  # F7 stays\r\nD1 F5\r\nD2 F4\r\nD3 F3\r\nD4 F2\r\n"
    "D5 F1\r\nD6 F0\r\n\r\n"
    "A15 I13\r\nA0 I15\r\nA1 I0\r\nA2 I1\r\nA3 I2\r\nA4 I3\r\nA5 I4\r\n"
    "A6 I5\r\nA7 I6\r\nA8 I10\r\nA9 I11\r\nA10 I14\r\nA11 I12\r\n"
    "A12 I7\r\nA13 I9\r\nA14 I8";

TEST(WiringText, AdapterByHandGivesPlaEpromsImage) {
    eprom_wiring wiring{};
    ASSERT_FALSE(read_wiring_text(adapter_by_hand, wiring));
    EXPECT_EQ(wiring, eprom_wiring::adapter);
    static std::array<std::uint8_t, eprom_image_size> from_file{};
    static std::array<std::uint8_t, eprom_image_size> built_in{};
    build_eprom_image(built_in);
    // Not the adapter's compile-time path: a wiring equal to it but derived at run time.
    eprom_wiring same = wiring;
    same.inverted_data_lines = 0x80;
    build_eprom_image(from_file, pla_fuse_map, same);
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        ASSERT_EQ(from_file[address], built_in[address] ^ 0x80U) << address;
    }
}

// Written and read back, a wiring with inversions is the same wiring, and the text shows
// each line, inverted where it is.
TEST(WiringText, WrittenIsReadBack) {
    eprom_wiring wiring = eprom_wiring::straight;
    wiring.address_line_input[3] = 2;
    wiring.address_line_input[2] = 3;
    wiring.inverted_address_lines = 1U << 3;
    wiring.inverted_data_lines = 1U << 7;
    const std::string text = write_wiring_text(wiring);
    EXPECT_NE(text.find("\nA3 /I2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nD7 /F7\n"), std::string::npos) << text;
    EXPECT_NE(text.find("| **array input** | I0 | I1 | I3 | /I2 |"), std::string::npos) << text;
    eprom_wiring read{};
    ASSERT_FALSE(read_wiring_text(text, read));
    EXPECT_EQ(read, wiring);
}

// Each kind of fault once: where it is and what it says.
TEST(WiringText, FaultsNamedWhereTheyAre) {
    const std::string rest = write_wiring_text(eprom_wiring::straight);
    const auto without = [&](std::string_view line) {
        std::string text = rest;
        text.erase(text.find(line), line.size());
        return text;
    };
    struct bad_file {
        std::string text;
        std::size_t line;
        std::size_t column;
        std::string message;
    };
    const bad_file cases[] = {
        {"  B0 I0\n", 1, 3, "'B0' is not an EPROM line (A0-A15 or D0-D7)"},
        {"A16 I0\n", 1, 1, "'A16' is not an EPROM line (A0-A15 or D0-D7)"},
        {"A01 I1\n", 1, 1, "'A01' is not an EPROM line (A0-A15 or D0-D7)"},
        {"A0 I0\nA0 I1\n", 2, 1, "A0 is named twice (first on line 1)"},
        {"A0 # I0\n", 1, 3, "A0 has no pin: expected an array input (I0-I15, /I0-/I15 inverted)"},
        {"A0 F0\n", 1, 4, "'F0' is not an array input (I0-I15, /I0-/I15 inverted)"},
        {"D0 /I0\n", 1, 4, "'/I0' is not an array output (F0-F7, /F0-/F7 inverted)"},
        {"D0 F0\nD1 /F0\n", 2, 4, "F0 is used twice (first on line 1)"},
        {"A0 I0 A1\n", 1, 7, "'A1' after the pin: one line and one pin a line"},
        {without("A9 I9\n"), 39, 1, "A9 is not named: each of A0-A15 and D0-D7 needs a line"},
        {"", 1, 1, "A0 is not named: each of A0-A15 and D0-D7 needs a line"},
    };
    for (const bad_file& bad : cases) {
        eprom_wiring wiring{};
        const auto error = read_wiring_text(bad.text, wiring);
        ASSERT_TRUE(error) << bad.text;
        EXPECT_EQ(error->message, bad.message) << bad.text;
        EXPECT_EQ(error->line, bad.line) << bad.text;
        EXPECT_EQ(error->column, bad.column) << bad.text;
    }
}

// An inverter on a line: with every address line low, only the input of the inverted line
// is high; every data line low needs the inverted output high. Read back, the lookups undo it.
TEST(RunTimeWiring, InvertedLines) {
    eprom_wiring wiring = eprom_wiring::adapter;
    wiring.inverted_address_lines = 1U << 3; // A3 drives I2
    wiring.inverted_data_lines = 1U << 7;    // F7 drives D7
    const eprom_wiring_lookups lookups = derive_wiring_lookups(wiring);
    EXPECT_EQ(address_to_pla_inputs(lookups, 0x0000), 1U << 2);
    EXPECT_EQ(address_to_pla_inputs(lookups, 0x0008), 0U);
    EXPECT_EQ(address_to_pla_inputs(lookups, 0x0001), (1U << 15) | (1U << 2));
    EXPECT_EQ(pla_outputs_to_data(lookups, 0x00), 0x80U);
    EXPECT_EQ(pla_outputs_to_data(lookups, 0x81), 0x40U);
    const eprom_wiring_reverse_lookups reverse = derive_wiring_reverse_lookups(wiring);
    for (unsigned address = 0; address <= 0xFFFF; ++address) {
        const auto lines = static_cast<std::uint16_t>(address);
        ASSERT_EQ(pla_inputs_to_address(reverse, address_to_pla_inputs(lookups, lines)), lines);
    }
    for (unsigned outputs = 0; outputs <= 0xFF; ++outputs) {
        const auto levels = static_cast<std::uint8_t>(outputs);
        ASSERT_EQ(data_to_pla_outputs(reverse, pla_outputs_to_data(lookups, levels)), levels);
    }
}

} // namespace

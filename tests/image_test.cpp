#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "eprom/image.h"
#include "eprom/wiring.h"
#include "pla/pla.h"

namespace {

// CRC-32, ISO-HDLC (IEEE 802.3): reflected polynomial 0xEDB88320, all ones in and out.
std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ ((crc & 1U) != 0 ? 0xEDB88320U : 0U);
        }
    }
    return ~crc;
}

const std::array<std::uint8_t, eprom_image_size>& image() {
    static const auto built = [] {
        std::array<std::uint8_t, eprom_image_size> bytes{};
        build_eprom_image(bytes);
        return bytes;
    }();
    return built;
}

TEST(Image, Crc32) {
    constexpr std::array<std::uint8_t, 9> check_input = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc32(check_input), 0xCBF43926U) << "the check value of CRC-32/ISO-HDLC";
    EXPECT_EQ(crc32(image()), 0x0926A7A7U);
}

// Address line A1 (input I0) alone decides the first sixteen bytes, through P30.
TEST(Image, FirstSixteenBytes) {
    for (std::size_t address = 0; address < 16; ++address) {
        EXPECT_EQ(image()[address], (address & 2U) != 0 ? 0xFF : 0xBF) << "address " << address;
    }
}

// The ten distinct bytes of the image, each at the address where it first occurs, with
// the input word and output byte on its way.
struct first_occurrence {
    std::uint16_t address;
    std::uint16_t inputs;
    std::uint8_t outputs;
    std::uint8_t data;
};
constexpr first_occurrence first_occurrences[] = {
    {0x0000, 0x0000, 0xFE, 0xBF}, {0x0002, 0x0001, 0xFF, 0xFF}, {0x0121, 0x8410, 0xF7, 0xF7},
    {0x024C, 0x0826, 0xBF, 0xFE}, {0x0D01, 0xD400, 0x7F, 0x7F}, {0x12C8, 0x08E4, 0xFB, 0xEF},
    {0x40C0, 0x0160, 0xEE, 0xBB}, {0x40D4, 0x016A, 0xCF, 0xF9}, {0x40D6, 0x016B, 0xDF, 0xFD},
    {0x924C, 0x28A6, 0xFD, 0xDF},
};

TEST(Image, FirstOccurrenceOfEachByte) {
    std::array<int, 256> first_address{};
    first_address.fill(-1);
    for (std::size_t address = eprom_image_size; address-- > 0;) {
        first_address[image()[address]] = static_cast<int>(address);
    }
    int distinct = 0;
    for (const int address : first_address) {
        distinct += address >= 0 ? 1 : 0;
    }
    EXPECT_EQ(distinct, 10);
    for (const first_occurrence& row : first_occurrences) {
        EXPECT_EQ(first_address[row.data], row.address) << std::hex << "data 0x" << int{row.data};
        EXPECT_EQ(address_to_pla_inputs(row.address), row.inputs);
        EXPECT_EQ(pla_evaluate(row.inputs), row.outputs);
        EXPECT_EQ(pla_outputs_to_data(row.outputs), row.data);
    }
}

// The image of a map read at run time goes through the same evaluator, derived anew.
TEST(Image, OfAnyFuseMap) {
    static std::array<std::uint8_t, eprom_image_size> adapter{};
    static std::array<std::uint8_t, eprom_image_size> straight{};
    static std::array<std::uint8_t, eprom_image_size> table{};
    build_eprom_image(adapter, pla_fuse_map, eprom_wiring::adapter);
    EXPECT_EQ(adapter, image());
    build_eprom_image(straight, pla_fuse_map, eprom_wiring::straight);
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        ASSERT_EQ(straight[word], pla_evaluate(static_cast<std::uint16_t>(word)));
    }
    eprom_image_to_truth_table(adapter, eprom_wiring::adapter, table);
    EXPECT_EQ(table, straight);
    eprom_image_to_truth_table(straight, eprom_wiring::straight, table);
    EXPECT_EQ(table, straight);
}

} // namespace

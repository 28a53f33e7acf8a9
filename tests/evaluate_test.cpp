#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <map>

#include "pla/pla.h"

namespace {

// Input words with the byte the array drives for them, worked out by hand from the terms
// that are true for each.
const std::map<std::uint16_t, std::uint8_t> worked_values = {
    {0x0000, 0xFE}, // P29
    {0x0001, 0xFF}, // P30
    {0x0160, 0xEE}, // P29, P31
    {0x016A, 0xCF}, // P16, P29, P31
    {0x016B, 0xDF}, // P8, P16, P30
    {0x0826, 0xBF}, // P19, P29
    {0x08A4, 0x7F}, // P21, P29
    {0x08E4, 0xFB}, // P2, P29
    {0x0964, 0xF7}, // P5, P29
    {0x28A6, 0xFD}, // P0, P29
};

// P31 reads L----HHLH-LL----: it needs I0 = 0, I5 = 1, I6 = 1, I7 = 0, I8 = 1, I10 = 0
// and I11 = 0.
constexpr unsigned p31_inputs = 0x0DE1;
constexpr unsigned p31_levels = 0x0160;

TEST(Evaluate, WorkedValues) {
    for (const auto& [inputs, outputs] : worked_values) {
        EXPECT_EQ(pla_evaluate(inputs), outputs) << std::hex << "inputs 0x" << inputs;
    }
    EXPECT_EQ(pla_evaluate(0xFFFF), 0xFF);
}

// One pass over every input word checks the facts that hold for all of them.
TEST(Evaluate, EveryInputWord) {
    std::bitset<256> seen;
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        const unsigned outputs = pla_evaluate(static_cast<std::uint16_t>(word));
        seen.set(outputs);
        if ((word & 1U) != 0) {
            ASSERT_EQ(outputs & 1U, 1U) << std::hex << "P30 drives F0 for 0x" << word;
        }
        const bool p31_true = (word & p31_inputs) == p31_levels;
        ASSERT_EQ((outputs & 0x10U) == 0, p31_true) << std::hex << "F4 for 0x" << word;
    }
    std::bitset<256> expected;
    for (const auto& value : worked_values) {
        expected.set(value.second);
    }
    EXPECT_EQ(seen, expected) << "the worked values are the only ones the array drives";
}

} // namespace

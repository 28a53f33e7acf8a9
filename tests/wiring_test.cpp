#include <gtest/gtest.h>

#include <cstdint>

#include "eprom/wiring.h"
#include "pla/pla.h"

namespace {

// Written from the adapter's side: which EPROM line each array pin is wired to.
// Input Ij is driven by address line A<address_of_input[j]>.
constexpr unsigned address_of_input[16] = {1, 2, 3, 4, 5, 6, 7, 12, 14, 13, 8, 9, 11, 15, 10, 0};
// Data line Dm is driven by array output F<output_of_data[m]>.
constexpr unsigned output_of_data[8] = {6, 5, 4, 3, 2, 1, 0, 7};

// A one-hot walk: each line alone must reach exactly its own pin, which catches swapped
// and crossed lines.
TEST(Wiring, EachAddressLineDrivesItsInput) {
    for (unsigned input = 0; input < 16; ++input) {
        const auto address = static_cast<std::uint16_t>(1U << address_of_input[input]);
        EXPECT_EQ(address_to_pla_inputs(address), 1U << input) << "I" << input;
    }
    EXPECT_EQ(address_to_pla_inputs(0x0000), 0x0000);
    EXPECT_EQ(address_to_pla_inputs(0xFFFF), 0xFFFF);
}

TEST(Wiring, EachOutputDrivesItsDataLine) {
    for (unsigned data = 0; data < 8; ++data) {
        const auto outputs = static_cast<std::uint8_t>(1U << output_of_data[data]);
        EXPECT_EQ(pla_outputs_to_data(outputs), 1U << data) << "D" << data;
    }
    EXPECT_EQ(pla_outputs_to_data(0x00), 0x00);
    EXPECT_EQ(pla_outputs_to_data(0xFF), 0xFF);
}

// Reading an image back undoes the wiring exactly.
TEST(Wiring, ReadBackUndoesEachLine) {
    for (unsigned address = 0; address <= 0xFFFF; ++address) {
        const auto lines = static_cast<std::uint16_t>(address);
        ASSERT_EQ(pla_inputs_to_address(address_to_pla_inputs(lines)), lines);
    }
    for (unsigned outputs = 0; outputs <= 0xFF; ++outputs) {
        const auto levels = static_cast<std::uint8_t>(outputs);
        ASSERT_EQ(data_to_pla_outputs(pla_outputs_to_data(levels)), levels);
    }
}

// Address 0x0121 (A0, A5, A8) reaches I15, I4 and I10; P7 and P29 are true, P7 drives
// F0 high and F3 low, and F3 lands on D3.
TEST(Wiring, RoadOfOneAddress) {
    const std::uint16_t inputs = address_to_pla_inputs(0x0121);
    EXPECT_EQ(inputs, 0x8410);
    const std::uint8_t outputs = pla_evaluate(inputs);
    EXPECT_EQ(outputs, 0xF7);
    EXPECT_EQ(pla_outputs_to_data(outputs), 0xF7);
}

} // namespace

// The fast evaluator proven equal to the plain order.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "pla/evaluator.h"
#include "pla/pla.h"
#include "tests/plain_order.h"

namespace {

TEST(Evaluator, EqualsPlainOrderForEveryInputWord) {
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        const auto inputs = static_cast<std::uint16_t>(word);
        ASSERT_EQ(pla_evaluate(inputs), plain_order_evaluate(pla_fuse_map, inputs)) << std::hex << "0x" << word;
    }
}

void set_input_pair(pla_fuses& fuses, std::size_t term, std::size_t input, char letter) {
    fuses[pla_complement_fuse(term, input)] = letter == 'H' || letter == '-' ? 1 : 0;
    fuses[pla_true_fuse(term, input)] = letter == 'L' || letter == '-' ? 1 : 0;
}

// A map like a real one: most inputs do not matter to a term, some terms are
// unprogrammed, a few can never be true.
pla_fuses random_fuse_map(std::mt19937& random) {
    pla_fuses fuses{};
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        if (random() % 8 == 0) {
            continue; // unprogrammed: every fuse intact
        }
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            const auto draw = random() % 128;
            set_input_pair(fuses, term, input, draw == 0 ? '0' : draw < 16 ? 'H' : draw < 32 ? 'L' : '-');
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses[pla_output_fuse(term, output)] = static_cast<std::uint8_t>(random() % 2);
        }
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        fuses[pla_polarity_fuse(output)] = static_cast<std::uint8_t>(random() % 2);
    }
    return fuses;
}

// Each fuse of other maps reaches the result as it does in the plain order, so the fast
// evaluator follows whatever the map holds.
TEST(Evaluator, EqualsPlainOrderOnOtherFuseMaps) {
    std::mt19937 random(82100);
    for (int map = 0; map < 24; ++map) {
        const pla_fuses fuses = random_fuse_map(random);
        const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
        for (int sample = 0; sample < 2048; ++sample) {
            const auto inputs = static_cast<std::uint16_t>(random());
            ASSERT_EQ(evaluate_with(evaluator, inputs), plain_order_evaluate(fuses, inputs))
                << "map " << map << std::hex << ", inputs 0x" << inputs;
        }
    }
}

// P32 to P47 are connected to every output but can never be true: taking them out of
// the array changes no result.
TEST(Evaluator, UnprogrammedTermsChangeNothing) {
    pla_fuses without = pla_fuse_map;
    for (std::size_t term = 32; term < pla_term_count; ++term) {
        for (std::size_t fuse = pla_complement_fuse(term, 0); fuse <= pla_output_fuse(term, 7); ++fuse) {
            without[fuse] = 1;
        }
    }
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        const auto inputs = static_cast<std::uint16_t>(word);
        ASSERT_EQ(plain_order_evaluate(without, inputs), pla_evaluate(inputs)) << std::hex << "0x" << word;
    }
}

} // namespace

// The fuse map held against its readings: per input the letter the fuse pair means
// (H needs Ij = 1, L needs Ij = 0, - does not care, 0 never true), and the outputs the
// term feeds. The readings were written down apart from the fuse digits.
#include <gtest/gtest.h>

#include <string>

#include "pla/pla.h"

namespace {

struct term_reading {
    const char* inputs; // I0 first
    const char* outputs;
};

constexpr term_reading programmed_terms[] = {
    {"-HH--HLH--LH-H--", "F0, F1"}, {"--H--HHH--LH-H--", "F0, F2"}, // P0, P1
    {"--H--HHH--LHLL--", "F0, F2"}, {"--HL-HHLH-LH-H--", "F0, F3"}, // P2, P3
    {"-H-L-HHLH-LH-H--", "F0, F3"}, {"--HL-HHLH-LHLL--", "F0, F3"}, // P4, P5
    {"----H-----H--HLH", "F0, F3"}, {"----H-----H-LLLH", "F0, F3"}, // P6, P7
    {"H----HHLH-LL----", "none"},   {"--HH-HHLHHLH-H--", "F0, F5"}, // P8, P9
    {"--HH-HHLH-LL-H--", "F0, F5"}, {"-H-H-HHLHHLH-H--", "F0, F5"}, // P10, P11
    {"-H-H-HHLH-LL-H--", "F0, F5"}, {"--HH-HHLHHLHLL--", "F0, F5"}, // P12, P13
    {"--HH-HHLH-LLLL--", "F0, F5"}, {"-H-H-HHLHHLHLL--", "F0, F5"}, // P14, P15
    {"-H-H-HHLH-LLLL--", "F0, F5"}, {"-----HHLHHLHHL--", "F0, F5"}, // P16, P17
    {"-----HHLH-LLHL--", "F0, F5"}, {"-HH--HLL--LHL---", "F0, F6"}, // P18, P19
    {"-----HLL--L-HL--", "F0, F6"}, {"--H--HLH--LHLL--", "F0, F7"}, // P20, P21
    {"-----HHH--L-HL--", "F0, F7"}, {"----------H-HLHH", "F0, F7"}, // P22, P23
    {"-----LL-H---HL--", "F0"},     {"-----LLH----HL--", "F0"},     // P24, P25
    {"-----LH-----HL--", "F0"},     {"-----HLH----HL--", "F0"},     // P26, P27
    {"-----HHLL---HL--", "F0"},     {"L---------------", "none"},   // P28, P29
    {"H---------------", "F0"},     {"L----HHLH-LL----", "F4"},     // P30, P31
};
constexpr std::size_t programmed_term_count = std::size(programmed_terms);
static_assert(programmed_term_count == 32);

constexpr term_reading unprogrammed_term = {"0000000000000000", "F0, F1, F2, F3, F4, F5, F6, F7"};

std::string read_inputs(std::size_t term) {
    std::string letters;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const int complement = pla_fuse_map[pla_complement_fuse(term, input)];
        const int true_fuse = pla_fuse_map[pla_true_fuse(term, input)];
        letters += complement ? (true_fuse ? '-' : 'H') : (true_fuse ? 'L' : '0');
    }
    return letters;
}

std::string read_outputs(std::size_t term) {
    std::string outputs;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        if (pla_fuse_map[pla_output_fuse(term, output)] == 0) {
            outputs += (outputs.empty() ? "F" : ", F") + std::to_string(output);
        }
    }
    return outputs.empty() ? "none" : outputs;
}

TEST(FuseMap, EveryTermMatchesItsReading) {
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        const term_reading& expected = term < programmed_term_count ? programmed_terms[term] : unprogrammed_term;
        EXPECT_EQ(read_inputs(term), expected.inputs) << "P" << term;
        EXPECT_EQ(read_outputs(term), expected.outputs) << "P" << term;
    }
}

TEST(FuseMap, OnlyOutputF0IsNotInverted) {
    EXPECT_EQ(pla_fuse_map[1920], 0);
    for (std::size_t fuse = 1921; fuse <= 1927; ++fuse) {
        EXPECT_EQ(pla_fuse_map[fuse], 1) << "fuse " << fuse;
    }
}

} // namespace

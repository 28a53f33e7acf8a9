// The equations and the program table: read back by a parser of their own, and held
// against text written by hand for a small map.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "forms/equations.h"

namespace {

// A product as the text gives it: the inputs it needs high and those it needs low.
struct product {
    unsigned high = 0;
    unsigned low = 0;
};

struct sum_of_products {
    bool inverted = false;
    std::vector<product> products;
};

// Reads equations text on its own terms: `[/]Fk = p  # Pt`, then `  | p  # Pt` lines,
// a product being `1` or literals `Ij` and `/Ij` joined by ` & `, a sum `0`; `# end` last.
std::vector<sum_of_products> parse_equations(const std::string& text) {
    std::vector<sum_of_products> outputs;
    std::istringstream lines(text);
    std::string line;
    bool ended = false;
    while (!ended && std::getline(lines, line)) {
        ended = line == "# end";
        if (ended) {
            EXPECT_FALSE(std::getline(lines, line)) << "after the end line: " << line;
            continue;
        }
        std::string body;
        if (const auto equals = line.find(" = "); equals != std::string::npos) {
            const bool inverted = line[0] == '/';
            EXPECT_EQ(line.substr(inverted ? 1 : 0, equals - (inverted ? 1 : 0)), "F" + std::to_string(outputs.size()));
            outputs.push_back({inverted, {}});
            body = line.substr(equals + 3);
        } else {
            const auto bar = line.find("| ");
            EXPECT_NE(bar, std::string::npos) << line;
            EXPECT_EQ(line.find_first_not_of(' '), bar) << line;
            body = line.substr(bar + 2);
        }
        if (body == "0") {
            continue;
        }
        body = body.substr(0, body.find("  # P"));
        product term;
        if (body != "1") {
            std::istringstream literals(body);
            std::string literal;
            while (literals >> literal) {
                if (literal == "&") {
                    continue;
                }
                const bool low = literal[0] == '/';
                const auto input = static_cast<unsigned>(std::stoul(literal.substr(low ? 2 : 1)));
                (low ? term.low : term.high) |= 1U << input;
            }
        }
        outputs.back().products.push_back(term);
    }
    EXPECT_TRUE(ended) << "no end line";
    return outputs;
}

TEST(Equations, ReadBackEqualTheArray) {
    const auto outputs = parse_equations(equations_text(pla_fuse_map));
    ASSERT_EQ(outputs.size(), 8U);
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        unsigned levels = 0;
        for (std::size_t output = 0; output < outputs.size(); ++output) {
            bool sum = false;
            for (const product& term : outputs[output].products) {
                sum = sum || ((word & term.high) == term.high && (word & term.low) == 0);
            }
            levels |= (sum != outputs[output].inverted ? 1U : 0U) << output;
        }
        ASSERT_EQ(levels, pla_evaluate(static_cast<std::uint16_t>(word))) << std::hex << "0x" << word;
    }
}

// P0 needs I0 high and I3 low and feeds F0 and F2; P1 has no literal and feeds F1, which
// is inverted; P2 can never be true; P3 needs I15 low; P5 feeds nothing; the other terms
// have every fuse blown: true always, but connected to nothing.
pla_fuses small_map() {
    pla_fuses fuses{};
    fuses.fill(1);
    fuses[pla_true_fuse(0, 0)] = 0;
    fuses[pla_complement_fuse(0, 3)] = 0;
    fuses[pla_output_fuse(0, 0)] = 0;
    fuses[pla_output_fuse(0, 2)] = 0;
    fuses[pla_output_fuse(1, 1)] = 0;
    fuses[pla_complement_fuse(2, 5)] = 0;
    fuses[pla_true_fuse(2, 5)] = 0;
    fuses[pla_output_fuse(2, 0)] = 0;
    fuses[pla_complement_fuse(3, 15)] = 0;
    fuses[pla_output_fuse(3, 0)] = 0;
    fuses[pla_true_fuse(5, 2)] = 0;
    for (std::size_t output = 0; output < 8; ++output) {
        fuses[pla_polarity_fuse(output)] = output == 1 ? 1 : 0;
    }
    return fuses;
}

TEST(Equations, SmallMapText) {
    EXPECT_EQ(equations_text(small_map()),
              "F0 = I0 & /I3  # P0\n"
              "   | /I15  # P3\n"
              "/F1 = 1  # P1\n"
              "F2 = I0 & /I3  # P0\n"
              "F3 = 0\nF4 = 0\nF5 = 0\nF6 = 0\nF7 = 0\n"
              "# end\n");
    EXPECT_EQ(program_table_text(small_map()),
              "term  I0...........I15  F0....F7\n"
              "P0    H--L------------  A.A.....\n"
              "P1    ----------------  .A......\n"
              "P3    ---------------L  A.......\n"
              "polarity                HLHHHHHH\n");
}

} // namespace

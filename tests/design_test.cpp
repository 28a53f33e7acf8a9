// Designs read into the array's truth table and the words that matter: each case holds
// words worked out by hand from the file against what the reader makes of it.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "forms/compare.h"
#include "forms/design.h"
#include "forms/equations.h"

namespace {

// The level of Fk at `word` if it matters, else '-'.
char level(const design& read, std::size_t word, unsigned output) {
    if (((read.care[word] >> output) & 1U) == 0) {
        return '-';
    }
    return ((read.table[word] >> output) & 1U) != 0 ? '1' : '0';
}

design read_pla(const std::string& text) {
    design read;
    const auto error = read_berkeley_design(text, read);
    EXPECT_FALSE(error) << error->line << ":" << error->column << ": " << error->message;
    return read;
}

std::string error_of(const std::string& text) {
    design read;
    const auto error = read_berkeley_design(text, read);
    if (!error) {
        return "no error";
    }
    return std::to_string(error->line) + ":" + std::to_string(error->column) + ": " + error->message;
}

// Bits of an input word: I0 = a, I1 = b, I2 = c as placed in order.
constexpr std::size_t a = 1;
constexpr std::size_t b = 2;
constexpr std::size_t c = 4;

const std::string three_inputs = ".i 3\n.o 2\n.ilb a b c\n.ob y z\n";

TEST(design, fd_rows_give_on_and_free_words_and_other_inputs_do_not_matter) {
    const design read = read_pla("# a design\n" + three_inputs + ".p 3\n11- 1-\n0-1 01\n100 -0\n.e\n");
    EXPECT_EQ(read.placement, "a is I0, b is I1, c is I2, y is F0, z is F1");
    // y: on where a and b; free at a, /b, /c; off elsewhere.
    // z: on where /a and c; free where a and b; off elsewhere (a 0 in fd means nothing).
    for (const std::size_t high : {std::size_t{0}, std::size_t{0xFFF8}, std::size_t{0x1230}}) {
        EXPECT_EQ(level(read, high | a | b, 0), '1');
        EXPECT_EQ(level(read, high | a | b | c, 0), '1');
        EXPECT_EQ(level(read, high | a, 0), '-');
        EXPECT_EQ(level(read, high | a | c, 0), '0');
        EXPECT_EQ(level(read, high | c, 0), '0');
        EXPECT_EQ(level(read, high | c, 1), '1');
        EXPECT_EQ(level(read, high | b | c, 1), '1');
        EXPECT_EQ(level(read, high | a | b, 1), '-');
        EXPECT_EQ(level(read, high | a, 1), '0');
        EXPECT_EQ(level(read, high, 1), '0');
        for (unsigned output = 2; output < pla_output_count; ++output) {
            EXPECT_EQ(level(read, high | a | b, output), '-') << "F" << output << " has no column";
        }
    }
    EXPECT_FALSE(cares_everywhere(read));
}

TEST(design, each_type_reads_its_symbols) {
    // One row per symbol on /a /b /c, a, b: 1 then 0 then - then ~.
    const std::string rows = "000 1\n100 0\n010 -\n001 ~\n";
    const auto levels = [&rows](const std::string& type) {
        const design read = read_pla(".i 3\n.o 1\n" + type + rows);
        return std::string{level(read, 0, 0), level(read, a, 0), level(read, b, 0), level(read, c, 0),
                           level(read, a | b | c, 0)};
    };
    EXPECT_EQ(levels(".type f\n"), "10000");
    EXPECT_EQ(levels(""), "10-00");
    EXPECT_EQ(levels(".type fd\n"), "10-00");
    EXPECT_EQ(levels(".type fr\n"), "10---");
    EXPECT_EQ(levels(".type fdr\n"), "10---");
    // The synonyms 4 (1), 2 (-), 3 (~), and 2 for an input's -.
    const design synonyms = read_pla(".i 3\n.o 1\n.type fdr\n000 4\n100 0\n010 2\n2 2 1 3\n");
    EXPECT_EQ(level(synonyms, 0, 0), '1');
    EXPECT_EQ(level(synonyms, b, 0), '-');
    EXPECT_EQ(level(synonyms, a | b | c, 0), '-');
}

TEST(design, a_free_word_wins_over_on_and_off) {
    const design read = read_pla(".i 2\n.o 1\n.type fdr\n1- 1\n11 -\n0- 0\n01 -\n");
    EXPECT_EQ(level(read, a, 0), '1');
    EXPECT_EQ(level(read, a | b, 0), '-');
    EXPECT_EQ(level(read, 0, 0), '0');
    EXPECT_EQ(level(read, b, 0), '-');
}

TEST(design, phase_zero_gives_the_complement_as_a_programming_does) {
    const design read = read_pla(".i 2\n.o 2\n.phase 01\n11 11\n10 -0\n");
    EXPECT_EQ(level(read, a | b, 0), '0');
    EXPECT_EQ(level(read, a, 0), '-');
    EXPECT_EQ(level(read, 0, 0), '1');
    EXPECT_EQ(level(read, a | b, 1), '1');
    EXPECT_EQ(level(read, a, 1), '0');
}

TEST(design, pin_names_place_the_columns) {
    const design read = read_pla(".i 3\n.o 2\n.ilb I9 I0 I15\n.ob F7 F2\n1-0 10\n");
    EXPECT_EQ(read.placement, "");
    const std::size_t i9 = std::size_t{1} << 9U;
    const std::size_t i15 = std::size_t{1} << 15U;
    EXPECT_EQ(level(read, i9, 7), '1');
    EXPECT_EQ(level(read, i9 | 1, 7), '1');
    EXPECT_EQ(level(read, i9 | i15, 7), '0');
    EXPECT_EQ(level(read, 1, 7), '0');
    EXPECT_EQ(level(read, i9, 2), '0');
    EXPECT_EQ(level(read, i9, 0), '-');
    // One name that is no pin (or a pin twice) places them all in order.
    EXPECT_EQ(read_pla(".i 2\n.o 1\n.ilb I3 x\n11 1\n").placement, "I3 is I0, x is I1, column 3 is F0");
    EXPECT_EQ(read_pla(".i 2\n.o 1\n.ilb I3 I3x\n.ob F0\n11 1\n").placement, "I3 is I0, I3x is I1");
    EXPECT_EQ(read_pla(".i 16\n.o 8\n" + std::string(16, '-') + " 10000000\n").placement, "");
    EXPECT_EQ(read_pla(".i 12\n.o 2\n" + std::string(12, '-') + " 10\n").placement,
              "columns 1-12 are I0-I11, columns 13-14 are F0-F1");
}

TEST(design, contradictions_are_refused_where_they_arise) {
    EXPECT_EQ(error_of(".i 2\n.o 2\n.type fr\n.ob x y\n1- 10\n\n-1 01\n"),
              "7:4: x (F0) is 0 here and 1 at line 5, both at input word 0x0003");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.type fdr\n00 0\n0- 1\n"),
              "5:4: F0 is 1 here and 0 at line 4, both at input word 0x0000");
    // fd has no OFF rows: a 0 there says nothing.
    EXPECT_EQ(error_of(".i 2\n.o 1\n00 0\n0- 1\n"), "no error");
}

TEST(design, malformed_files_are_refused_with_their_place) {
    EXPECT_EQ(error_of(".i 17\n.o 1\n"), "1:4: .i 17: the 82S100 has 1 to 16 inputs to hold a design's columns");
    EXPECT_EQ(error_of(".i 2\n.o 9\n"), "2:4: .o 9: the 82S100 has 1 to 8 outputs to hold a design's columns");
    EXPECT_EQ(error_of("11 1\n"), "1:1: a row before .i and .o");
    EXPECT_EQ(error_of(".i 2\n.o 1\n1 1\n"), "3:4: a row needs 2 inputs and 1 output, this one has 2 symbols");
    EXPECT_EQ(error_of(".i 2\n.o 1\n11 1 1\n"), "3:6: more than 2 inputs and 1 output in a row");
    EXPECT_EQ(error_of(".i 2\n.o 1\n1x 1\n"), "3:2: 'x' is not an input's 0, 1 or -");
    EXPECT_EQ(error_of(".i 2\n.o 1\n11 \x1b\n"), "3:4: byte 0x1B is not an output's 1, 0, - or ~");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.p 3\n11 1\n00 1\n"),
              "3:4: .p 3 announces 3 rows, the file has 2 (is it cut short?)");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.phase 1\n.phase 0\n"), "4:1: .phase a second time (the first at line 3)");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.ilb a\n"), "3:1: .ilb names 1 input, .i has 2");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.ilb a a\n"), "3:8: the name a a second time");
    EXPECT_EQ(error_of(".i 2\n.o 1\n11 1\n.type fr\n"), "4:1: .type after a row: it says how the rows read");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.type fe\n"), "3:7: .type fe: not f, fd, fr or fdr");
    EXPECT_EQ(error_of(".i 2\n.o 1\n.mv 3 2\n"), "3:1: .mv: not a keyword of a design plakit reads");
    EXPECT_EQ(error_of(".i 2\n.o 2\n.phase 0x\n"), "3:9: 'x' is not a phase (0 or 1)");
    EXPECT_EQ(error_of("# nothing\n"), "0:0: no .i and .o: not a Berkeley PLA file");
    // After .e nothing is read.
    EXPECT_EQ(error_of(".i 2\n.o 1\n.p 1\n11 1\n.e\nwhatever\n"), "no error");
}

TEST(design, equations_of_any_size_care_everywhere) {
    // F0 the sum of 60 products, each of one input word of I0-I5 (I6 low): 60 words high.
    std::string text = "F0 = ";
    for (unsigned word = 0; word < 60; ++word) {
        text += word == 0 ? "" : "   | ";
        for (unsigned input = 0; input < 6; ++input) {
            text += (((word >> input) & 1U) != 0 ? "I" : "/I") + std::to_string(input) + " & ";
        }
        text += "/I6  # P" + std::to_string(word) + "\n";
    }
    text += "/F1 = I15\nF2 = 1\nF3 = 0\nF4 = 0\nF5 = 0\nF6 = 0\nF7 = 0\n";
    pla_fuses fuses{};
    ASSERT_TRUE(read_equations(text, fuses)); // the array holds 48 terms
    design read;
    ASSERT_FALSE(read_equations_design(text, read));
    EXPECT_TRUE(cares_everywhere(read));
    EXPECT_EQ(level(read, 59, 0), '1');
    EXPECT_EQ(level(read, 59 | 0x80, 0), '1');
    EXPECT_EQ(level(read, 60, 0), '0');
    EXPECT_EQ(level(read, 59 | 0x40, 0), '0');
    EXPECT_EQ(level(read, 0x8000, 1), '0');
    EXPECT_EQ(level(read, 0x7FFF, 1), '1');
    EXPECT_EQ(level(read, 0x1234, 2), '1');
    design written_and_inverted;
    const auto error = read_equations_design("F0 = I1\n/F0 = I2\n", written_and_inverted);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 2U);
}

TEST(design, a_programming_reads_as_the_same_logic_either_way) {
    const std::string text =
        ".i 16\n.o 8\n.phase 01111111\n.p 2\n1-0------------- 10000000\n-1-------------- 11000000\n.e\n";
    pla_fuses fuses{};
    ASSERT_FALSE(read_programming(text, programming_form::pla, jedec_pair_order::complement_first, fuses));
    std::array<std::uint8_t, pla_word_count> table{};
    pla_truth_table(fuses, table);
    const design read = read_pla(text);
    EXPECT_TRUE(cares_everywhere(read));
    EXPECT_TRUE(std::equal(table.begin(), table.end(), read.table.begin()));
}

TEST(design, comparison_looks_only_where_cared) {
    std::array<std::uint8_t, pla_word_count> first{};
    std::array<std::uint8_t, pla_word_count> second{};
    std::array<std::uint8_t, pla_word_count> care{};
    care.fill(0x01);
    care[7] = 0x03;
    second[5] = 0x02; // F1 differs where nobody cares
    second[7] = 0x03;
    second[9] = 0x01;
    const programming_comparison comparison = compare_where_cared(first, second, care);
    EXPECT_EQ(comparison.outputs[0].cared_words, pla_word_count);
    EXPECT_EQ(comparison.outputs[0].differing_words, 2U);
    EXPECT_EQ(comparison.outputs[1].cared_words, 1U);
    EXPECT_EQ(comparison.outputs[1].differing_words, 1U);
    EXPECT_EQ(comparison_text("d.pla", "p.jed", comparison, nullptr, nullptr, "d.pla cares"),
              "d.pla and p.jed: different logic wherever d.pla cares\n"
              "  F0: differs at 2 of 65536 input words, from 0x0007 0x0009\n"
              "  F1: differs at 1 of the 1 input words that matter, from 0x0007\n"
              "  F2: free at every input word\n  F3: free at every input word\n  F4: free at every input word\n"
              "  F5: free at every input word\n  F6: free at every input word\n  F7: free at every input word\n");
}

TEST(design, a_text_form_padded_to_an_image_size_is_told_by_its_content) {
    std::string jedec =
        "\x02*QF1928*F0*\x03"
        "0000";
    std::string padded = jedec + std::string(65536 - jedec.size(), '\0');
    EXPECT_TRUE(holds_text_form(padded));
    padded = jedec + std::string(65536 - jedec.size(), '\x1A');
    EXPECT_TRUE(holds_text_form(padded));
    EXPECT_TRUE(holds_text_form(".i 2\n.o 1\n11 1\n"));
    EXPECT_TRUE(holds_text_form("F0 = 1\n"));
    // Bytes an image holds: control bytes amid the text, or text with no mark of a form.
    std::string image(65536, '\xFF');
    EXPECT_FALSE(holds_text_form(image));
    image = std::string(100, 'A') + "\x01" + std::string(65435, 'A');
    EXPECT_FALSE(holds_text_form(image));
    EXPECT_FALSE(holds_text_form(std::string(65536, 'A')));
    EXPECT_FALSE(holds_text_form(std::string(65536, '\0')));
}

} // namespace

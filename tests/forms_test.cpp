// The forms a programming travels in: each read back to what was written, each held
// against facts worked out by hand (which bit holds which fuse, which row sets which
// fuse), the form told from the content, and the comparison's patterns.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "forms/berkeley.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "forms/equations.h"
#include "forms/forms.h"
#include "forms/fuse_file.h"
#include "forms/hdl.h"
#include "random_programming.h"
#include "text/text_lines.h"

namespace {

// A map of nothing but intact fuses (every term dead), with `changes` applied.
pla_fuses intact_with(std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes) {
    pla_fuses fuses{};
    for (const auto& [fuse, value] : changes) {
        fuses[fuse] = value;
    }
    return fuses;
}

// The map a term at a time: every input fuse blown (the term is true everywhere), no
// output connected, and so on from there.
pla_fuses blank_terms() {
    pla_fuses fuses{};
    fuses.fill(1);
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        fuses[pla_polarity_fuse(output)] = 0;
    }
    return fuses;
}

std::vector<pla_fuses> sample_maps() {
    std::vector<pla_fuses> maps{pla_fuse_map};
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        maps.push_back(random_programming(seed, seed % 2 == 0 ? realistic_style : overlapping_style));
    }
    return maps;
}

TEST(FuseFile, HoldsEachFuseAtItsBitAfterTheCount) {
    // Fuse 0 at bit 0 of the first byte after the count, fuse 9 at bit 1 of the next,
    // fuse 1927 at bit 7 of the last.
    const std::string bytes =
        write_fuse_file(intact_with({{0, 1}, {9, 1}, {1927, 1}}), jedec_pair_order::complement_first);
    ASSERT_EQ(bytes.size(), 245U);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x00\x00\x07\x88\x01\x02", 6));
    EXPECT_EQ(static_cast<unsigned char>(bytes[244]), 0x80U);
    EXPECT_EQ(std::count(bytes.begin() + 6, bytes.end() - 1, '\0'), 238);
}

TEST(FuseFile, TrueFirstSwapsEveryPair) {
    // The complement fuse of I0 in P0 is fuse 1 of a true-first file.
    const std::string bytes =
        write_fuse_file(intact_with({{pla_complement_fuse(0, 0), 1}}), jedec_pair_order::true_first);
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 0x02U);
    pla_fuses read{};
    ASSERT_FALSE(read_fuse_file(bytes, jedec_pair_order::true_first, read));
    EXPECT_EQ(read, intact_with({{pla_complement_fuse(0, 0), 1}}));
}

TEST(FuseFile, RefusesAnotherCountOrSize) {
    pla_fuses fuses{};
    std::string bytes = write_fuse_file(pla_fuse_map, jedec_pair_order::complement_first);
    ASSERT_FALSE(read_fuse_file(bytes, jedec_pair_order::complement_first, fuses));
    EXPECT_EQ(fuses, pla_fuse_map);
    EXPECT_TRUE(read_fuse_file(bytes + '\0', jedec_pair_order::complement_first, fuses));
    EXPECT_TRUE(read_fuse_file(bytes.substr(0, 244), jedec_pair_order::complement_first, fuses));
    EXPECT_TRUE(read_fuse_file("\0\0", jedec_pair_order::complement_first, fuses));
    bytes[3] = '\x89';
    const auto error = read_fuse_file(bytes, jedec_pair_order::complement_first, fuses);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->byte, 0U);
    EXPECT_EQ(error->message, "a fuse count of 1929, but the 82S100 has 1928");
}

TEST(BerkeleyPla, EachSymbolSetsItsFuses) {
    // I0 high, I1 low, I15 high; F0 and F7 connected; F1 inverted (.phase 0).
    const std::string text =
        "# a comment\r\n.i 16\r\n.o 8\r\n.ilb a b c\r\n.type fr\r\n.phase 10111111\r\n.p 2\r\n"
        "10-------------1 10-000~1\r\n"
        "0--------------- 00000000\r\n"
        ".e\r\nanything after .e\r\n";
    pla_fuses fuses{};
    ASSERT_FALSE(read_berkeley_pla(text, fuses));
    pla_fuses expected = blank_terms();
    expected[pla_true_fuse(0, 0)] = 0;
    expected[pla_complement_fuse(0, 1)] = 0;
    expected[pla_true_fuse(0, 15)] = 0;
    expected[pla_output_fuse(0, 0)] = 0;
    expected[pla_output_fuse(0, 7)] = 0;
    expected[pla_polarity_fuse(1)] = 1;
    // The row that sets no output takes no term; the terms after the rows stay intact.
    for (std::size_t fuse = pla_term_block_size; fuse < pla_polarity_fuses_offset; ++fuse) {
        expected[fuse] = 0;
    }
    EXPECT_EQ(fuses, expected);
}

TEST(BerkeleyPla, WritesALiveTermARowAndReadsBack) {
    for (const pla_fuses& fuses : sample_maps()) {
        const std::string text = write_berkeley_pla(fuses);
        pla_fuses read{};
        ASSERT_FALSE(read_berkeley_pla(text, read)) << text;
        EXPECT_EQ(write_berkeley_pla(read), text);
        std::array<std::uint8_t, pla_word_count> a{};
        std::array<std::uint8_t, pla_word_count> b{};
        pla_truth_table(fuses, a);
        pla_truth_table(read, b);
        EXPECT_EQ(a, b);
    }
    // Every term of a random map is live, so its file holds every fuse.
    const pla_fuses full = random_programming(7, realistic_style);
    pla_fuses read{};
    ASSERT_FALSE(read_berkeley_pla(write_berkeley_pla(full), read));
    EXPECT_EQ(read, full);
}

TEST(BerkeleyPla, BuiltInMapsRowsAreItsLiveTerms) {
    const std::string text = write_berkeley_pla(pla_fuse_map);
    EXPECT_NE(text.find("\n.phase 10000000\n.p 30\n-11--101--01-1-- 11000000\n"), std::string::npos);
    EXPECT_NE(text.find("\n1--------------- 10000000\n0----1101-00---- 00001000\n.e\n"), std::string::npos);
    EXPECT_EQ(text.find(".type"), std::string::npos);
}

TEST(EquationsReader, ReadsWhatEquationsPrintWithTheSameTerms) {
    for (const pla_fuses& fuses : sample_maps()) {
        pla_fuses read{};
        ASSERT_FALSE(read_equations(equations_text(fuses), read));
        EXPECT_EQ(equations_text(read), equations_text(fuses));
        ASSERT_FALSE(read_program_table(program_table_text(fuses), read));
        EXPECT_EQ(program_table_text(read), program_table_text(fuses));
    }
}

TEST(EquationsReader, GivesProductsWithoutATermTheFreeTerms) {
    // P0 is named; the two unnamed products take P1 and P2, and the equal ones share P1.
    const std::string text =
        "F0 = I3 & /I4\n   | I1  # P0\n/F1 = 1\n   | I3&/I4\nF2 = 0\nF3 = 0\nF4 = 0\n"
        "F5 = 0\nF6 = 0\nF7 = 0\n";
    pla_fuses fuses{};
    ASSERT_FALSE(read_equations(text, fuses));
    EXPECT_EQ(equations_text(fuses),
              "F0 = I1  # P0\n   | I3 & /I4  # P1\n/F1 = I3 & /I4  # P1\n    | 1  # P2\n"
              "F2 = 0\nF3 = 0\nF4 = 0\nF5 = 0\nF6 = 0\nF7 = 0\n# end\n");
}

// The end line ends the equations, and its absence is the one warning: a file cut short
// inside its last equation reads as a shorter equation.
TEST(EquationsReader, EndLineEndsTheTextAndItsAbsenceIsWarned) {
    const std::string whole = equations_text(pla_fuse_map);
    ASSERT_TRUE(whole.ends_with("\n# end\n"));
    const std::string cut = whole.substr(0, whole.size() - 6);
    const auto warnings_of = [](const std::string& text) {
        form_warnings warnings;
        pla_fuses fuses{};
        const auto error =
            read_programming(text, programming_form::automatic, jedec_pair_order::complement_first, fuses, &warnings);
        EXPECT_FALSE(error) << text;
        design read;
        form_warnings design_warnings;
        EXPECT_FALSE(
            read_design(text, programming_form::automatic, jedec_pair_order::complement_first, read, &design_warnings));
        EXPECT_EQ(design_warnings, warnings) << text;
        return warnings;
    };
    EXPECT_EQ(warnings_of(whole), form_warnings{});
    const form_warnings warned = warnings_of(cut);
    ASSERT_EQ(warned.size(), 1U);
    EXPECT_TRUE(warned.front().starts_with("no \"# end\" line: ")) << warned.front();
    // Blanks around its two words; comments and blank lines before and after it.
    EXPECT_EQ(warnings_of("# by hand\n" + cut + "  #\tend \n\n   # done\n# end\n"), form_warnings{});
    EXPECT_EQ(warnings_of(cut + "#end\n"), form_warnings{});
    // A comment that only starts with it is a comment.
    EXPECT_EQ(warnings_of(cut + "# end of F7\n"), warned);

    // A fault is the one thing said: no warning beside it.
    form_warnings warnings;
    pla_fuses fuses{};
    ASSERT_TRUE(read_programming("F0 = 0\n", programming_form::equations, jedec_pair_order::complement_first, fuses,
                                 &warnings));
    EXPECT_TRUE(warnings.empty());
    // After the end line, an equation or a product is refused where it stands.
    const auto end = static_cast<std::size_t>(std::count(whole.begin(), whole.end(), '\n'));
    const std::string where = " after the end line (line " + std::to_string(end) + ")";
    for (const auto& [after, place, what] : {std::tuple{"F0 = I1\n", ":" + std::to_string(end + 1) + ":1", "'F'"},
                                             {"\n  | I1  # P40\n", ":" + std::to_string(end + 2) + ":3", "'|'"}}) {
        const auto error = read_programming(whole + after, programming_form::automatic,
                                            jedec_pair_order::complement_first, fuses, &warnings);
        ASSERT_TRUE(error) << after;
        EXPECT_EQ(form_error_place(*error), place);
        EXPECT_EQ(error->message, what + where + ", where only blank lines and comments belong");
    }
    EXPECT_TRUE(warnings.empty());
}

TEST(FormsRecognised, FromTheContent) {
    const std::string jedec = write_jedec(pla_fuse_map, jedec_pair_order::complement_first, "test");
    EXPECT_EQ(recognise_form(jedec), programming_form::jedec);
    EXPECT_EQ(recognise_form(jedec.substr(1)), programming_form::jedec); // no STX, a QF field
    EXPECT_EQ(recognise_form(write_fuse_file(pla_fuse_map, jedec_pair_order::complement_first)),
              programming_form::fuses);
    EXPECT_EQ(recognise_form(write_berkeley_pla(pla_fuse_map)), programming_form::pla);
    EXPECT_EQ(recognise_form(equations_text(pla_fuse_map)), programming_form::equations);
    EXPECT_EQ(recognise_form(program_table_text(pla_fuse_map)), programming_form::table);
    EXPECT_EQ(recognise_form("F0=I1&I2\n"), programming_form::equations); // blanks are free
    EXPECT_EQ(recognise_form("x\n/F0\t= 1\n"), programming_form::equations);
    EXPECT_EQ(recognise_form("F01 = I1\n"), programming_form::jedec);    // no output F01
    EXPECT_EQ(recognise_form("nothing known"), programming_form::jedec); // its reader says what is wrong
    EXPECT_EQ(recognise_form(""), programming_form::jedec);
    pla_fuses fuses{};
    const auto error = read_programming("F0 = 0\n", programming_form::table, jedec_pair_order::complement_first, fuses);
    ASSERT_TRUE(error);
    EXPECT_EQ(form_error_place(*error), ":1:1");
}

// What every text reader shares: lines however they end, numbered as an editor numbers
// them; UTF-16 told from its first bytes; a file's bytes kept out of the terminal.
TEST(TextLines, LineEndsEncodingsAndShownBytes) {
    using namespace std::string_view_literals;
    text_lines lines{"a\r\nb\rc\n\r\nd"};
    std::vector<std::string> read;
    std::string_view line;
    while (lines.read(line)) {
        read.push_back(std::to_string(lines.number()) + ":" + std::string{line} + (lines.ended() ? "$" : ""));
    }
    EXPECT_EQ(read, (std::vector<std::string>{"1:a$", "2:b$", "3:c$", "4:$", "5:d"}));
    const std::vector<std::pair<std::string_view, bool>> starts = {
        {"\xFF\xFE.\0i\0"sv, true},  // little-endian, with its mark
        {"\xFE\xFF\0.\0i"sv, true},  // big-endian, with its mark
        {"F\0=\0"sv, true},          // little-endian, no mark
        {"\0F\0="sv, true},          // big-endian, no mark
        {"\0\0\x07\x88"sv, false},   // a fuse file's count
        {"\xEF\xBB\xBF.i"sv, false}, // UTF-8 with its mark
        {"\0\x02\0.\0Q"sv, true},    // a JEDEC file's STX, big-endian
        {"\x01\0"sv, false},         // no text
        {"F"sv, false},              // one byte
    };
    for (const auto& [bytes, utf16] : starts) {
        EXPECT_EQ(is_utf16_text(bytes), utf16) << testing::PrintToString(bytes);
    }
    EXPECT_EQ(without_utf8_bom("\xEF\xBB\xBF.i 16"), ".i 16");
    EXPECT_EQ(without_utf8_bom("\xEF\xBB.i"), "\xEF\xBB.i");
    EXPECT_EQ(quoted_text("A0\x1B]0;\0\x7F\xC3\xA9"sv),
              "'A0<byte 0x1B>]0;<byte 0x00><byte 0x7F><byte 0xC3><byte 0xA9>'");
    // A name keeps its UTF-8 (two, three and four bytes), not what acts on a terminal: a C1
    // control (CSI as U+009B), a reordering mark (U+202E), a line separator (U+2028), an
    // overlong or cut sequence, a surrogate; escaped once, it stays as it is.
    const std::string_view name =
        "f\xC3\xBCr\xE2\x82\xAC\xF0\x9F\x98\x80 \xC2\x9B"
        "2J\xE2\x80\xAE\xE2\x80\xA8\xC0\xAF\xE2\x82\xED\xA0\x80"sv;
    const std::string escaped = escaped_name(name);
    EXPECT_EQ(escaped,
              "f\xC3\xBCr\xE2\x82\xAC\xF0\x9F\x98\x80 <byte 0xC2><byte 0x9B>2J<byte 0xE2><byte 0x80><byte 0xAE>"
              "<byte 0xE2><byte 0x80><byte 0xA8><byte 0xC0><byte 0xAF><byte 0xE2><byte 0x82><byte 0xED>"
              "<byte 0xA0><byte 0x80>");
    EXPECT_EQ(escaped_name(escaped), escaped);
}

TEST(Hdl, NamesAndStructure) {
    EXPECT_TRUE(is_hdl_name("pla_82s100"));
    for (const char* name : {"", "9a", "a__b", "a_", "_a", "a-b", "a b"}) {
        EXPECT_FALSE(is_hdl_name(name)) << name;
    }
    // A map with F0 = I0 & /I1 only, F1 inverted: the rest are 0 (F1: not 0).
    pla_fuses fuses = blank_terms();
    fuses[pla_true_fuse(0, 0)] = 0;
    fuses[pla_complement_fuse(0, 1)] = 0;
    fuses[pla_output_fuse(0, 0)] = 0;
    fuses[pla_polarity_fuse(1)] = 1;
    for (std::size_t term = 1; term < pla_term_count; ++term) {
        fuses[pla_complement_fuse(term, 0)] = 0;
        fuses[pla_true_fuse(term, 0)] = 0; // dead, though connected to F0
        fuses[pla_output_fuse(term, 0)] = 0;
    }
    const std::string verilog = write_verilog(fuses, "m");
    EXPECT_NE(verilog.find("    assign F0 = (I0 & ~I1);\n    assign F1 = ~(1'b0);\n    assign F2 = 1'b0;\n"),
              std::string::npos)
        << verilog;
    const std::string vhdl = write_vhdl(fuses, "m");
    EXPECT_NE(vhdl.find("    F0 <= (I0 and not I1);\n    F1 <= not ('0');\n    F2 <= '0';\n"), std::string::npos)
        << vhdl;
}

TEST(Compare, NamesThePatterns) {
    std::array<std::uint8_t, pla_word_count> a{};
    std::array<std::uint8_t, pla_word_count> b{};
    pla_truth_table(pla_fuse_map, a);
    EXPECT_TRUE(same_logic(compare_truth_tables(a, a)));

    // One polarity fuse: that output differs everywhere, the rest nowhere.
    pla_fuses inverted = pla_fuse_map;
    inverted[pla_polarity_fuse(5)] = 0;
    pla_truth_table(inverted, b);
    const programming_comparison polarity = compare_truth_tables(a, b);
    EXPECT_EQ(polarity.outputs[5].differing_words, pla_word_count);
    EXPECT_EQ(polarity.outputs[4].differing_words, 0U);
    EXPECT_FALSE(polarity.inputs_inverted);
    const std::string text = comparison_text("a", "b", polarity, &pla_fuse_map, &inverted);
    EXPECT_NE(text.find("  F5: inverted, at every input word: polarity fuse 1925\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  fuses that differ: 1\n  polarity: 1925\n"), std::string::npos) << text;

    // The other pair order: every input inverted.
    pla_truth_table(jedec_swap_pairs(pla_fuse_map), b);
    EXPECT_TRUE(compare_truth_tables(a, b).inputs_inverted);

    // F0 = I0 against F0 = I0 & I1: they differ where I0 is high and I1 low, a quarter
    // of the words, from 0x0001 in steps of 4.
    pla_fuses one = blank_terms();
    one[pla_true_fuse(0, 0)] = 0;
    one[pla_output_fuse(0, 0)] = 0;
    pla_fuses two = one;
    two[pla_true_fuse(0, 1)] = 0;
    pla_truth_table(one, a);
    pla_truth_table(two, b);
    const programming_comparison term = compare_truth_tables(a, b);
    EXPECT_EQ(term.outputs[0].differing_words, pla_word_count / 4);
    EXPECT_EQ(term.outputs[0].first_words, (std::vector<std::uint16_t>{1, 5, 9, 13}));
    EXPECT_NE(comparison_text("a", "b", term, nullptr, nullptr)
                  .find("  F0: differs at 16384 of 65536 input words, from 0x0001 0x0005 0x0009 0x000D\n"),
              std::string::npos);
}

} // namespace

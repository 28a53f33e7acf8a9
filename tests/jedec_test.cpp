// The JEDEC reader and writer: round trips in both pair orders, the layouts real files
// use, each fault a file can hold, and checksums worked out apart from the code.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "jedec/jedec.h"
#include "pla/pla.h"
#include "tests/plain_order.h"

namespace {

constexpr auto complement_first = jedec_pair_order::complement_first;
constexpr auto true_first = jedec_pair_order::true_first;

// The built-in map's fuses as digits, straight from its rows.
std::string map_digits() {
    std::string digits;
    for (const std::string_view row : pla_detail::term_rows) {
        for (const char digit : row) {
            digits += digit == ' ' ? "" : std::string{digit};
        }
    }
    return digits + std::string{pla_detail::polarity_row};
}

TEST(Jedec, WrittenFileReadsBackInEitherOrder) {
    for (const auto order : {complement_first, true_first}) {
        pla_fuses fuses{};
        const std::string text = write_jedec(pla_fuse_map, order, "test");
        ASSERT_FALSE(read_jedec(text, order, fuses)) << text;
        EXPECT_EQ(fuses, pla_fuse_map);
        EXPECT_NE(text.find(order == true_first ? "true-first" : "complement-first"), std::string::npos);
    }
    // Read in the other order, every pair is swapped, which inverts every input.
    pla_fuses fuses{};
    ASSERT_FALSE(read_jedec(write_jedec(pla_fuse_map, complement_first, "test"), true_first, fuses));
    EXPECT_EQ(fuses, jedec_swap_pairs(pla_fuse_map));
    for (unsigned word = 0; word <= 0xFFFF; word += 7) {
        const auto inputs = static_cast<std::uint16_t>(word);
        ASSERT_EQ(plain_order_evaluate(fuses, inputs), pla_evaluate(static_cast<std::uint16_t>(~inputs)));
    }
}

TEST(Jedec, WriterLayout) {
    const std::string text = write_jedec(pla_fuse_map, complement_first, "test");
    EXPECT_EQ(text.front(), '\x02');
    EXPECT_NE(text.find("*\r\nQP28*\r\nQF1928*\r\nF0*\r\nL0000 " + map_digits().substr(0, 40) + "*\r\nL0040 "),
              std::string::npos);
    EXPECT_NE(text.find("L1920 01111111*\r\nC7DEB*\r\n\x03"), std::string::npos);
    EXPECT_EQ(text.size() - text.find('\x03'), 7U) << "ETX, four hex digits, CR LF";
}

// The built-in map in a file's layout, written apart from the writer.
std::string fields_by_term(const std::string& line_end, int number_width) {
    const std::string digits = map_digits();
    std::string text = "82S100 test" + line_end + "*" + line_end + "QF1928*" + line_end;
    for (std::size_t fuse = 0; fuse < pla_fuse_count; fuse += 40) {
        std::string number = std::to_string(fuse);
        number.insert(0, static_cast<std::size_t>(number_width) - number.size(), '0');
        text += "L" + number + " " + digits.substr(fuse, 40) + "*" + line_end;
    }
    return text;
}

TEST(Jedec, LayoutsOfRealFiles) {
    const std::string digits = map_digits();
    std::string only_intact = "*QF1928*F1*"; // F1, then only the runs of intact fuses
    for (std::size_t fuse = 0; fuse < digits.size(); ++fuse) {
        if (digits[fuse] == '0' && (fuse == 0 || digits[fuse - 1] == '1')) {
            only_intact +=
                "\nL" + std::to_string(fuse) + " " + digits.substr(fuse, digits.find('1', fuse) - fuse) + "*";
        }
    }
    std::string broken = "a design\nover two lines*\nQF1928*\nL0\n"; // the digits broken across lines
    for (std::size_t fuse = 0; fuse < digits.size(); fuse += 17) {
        broken += "  " + digits.substr(fuse, 17) + "\n";
    }
    broken += "*\n";
    const std::string transmission = "\x02" + fields_by_term("\r\n", 4) + "\x03";
    const std::vector<std::pair<const char*, std::string>> layouts = {
        {"LF, 4-digit numbers", fields_by_term("\n", 4)},
        {"CR LF, 5-digit numbers", fields_by_term("\r\n", 5)},
        {"F1 and only intact fuses", only_intact},
        {"digits across lines", broken},
        {"notes and unknown fields",
         "x*N a note*\nQP28*QV0*G0*V0001 0101*Zunknown*\nF0*" + fields_by_term("\n", 4).substr(2) + "N last*\n"},
        {"STX, ETX and checksum", transmission +
                                      [&] {
                                          char hex[8];
                                          (void)std::snprintf(hex, sizeof hex, "%04X",
                                                              jedec_transmission_checksum(transmission));
                                          return std::string{hex};
                                      }() +
                                      "\r\n"},
        {"checksum 0000: not computed", transmission + "0000"},
        {"a matching C field", fields_by_term("\n", 4) + "C7DEB*\n"},
    };
    for (const auto& [layout, text] : layouts) {
        pla_fuses fuses{};
        const auto error = read_jedec(text, complement_first, fuses);
        EXPECT_FALSE(error) << layout << ": " << error->line << ":" << error->column << ": " << error->message;
        EXPECT_EQ(fuses, pla_fuse_map) << layout;
    }
}

// What programmers and their software write, though no tidy file has it.
TEST(Jedec, HabitsOfRealProgrammers) {
    const std::string fields = fields_by_term("\r\n", 4);
    std::string transmission = "\x02" + fields + "\x03";
    std::array<char, 8> hex{};
    (void)std::snprintf(hex.data(), hex.size(), "%04X", jedec_transmission_checksum(transmission));
    transmission += hex.data();
    std::string leading_zeros = fields;
    leading_zeros.replace(leading_zeros.find("QF1928*"), 7, "QF01928*");
    std::string page_breaks = fields;
    std::replace(page_breaks.begin(), page_breaks.end(), '\r', '\f');
    page_breaks.replace(page_breaks.find("QF1928*"), 0, "\v\v");
    const std::vector<std::pair<const char*, std::string>> layouts = {
        {"QF with leading zeros", leading_zeros},
        {"Ctrl-Z at the end, no STX", fields + "\x1A"},
        {"NUL padding, no STX", fields + std::string(100, '\0')},
        {"Ctrl-Z after the checksum", transmission + "\r\n\x1A"},
        {"modem text and '*' before STX", "AT*&F*\r\n" + transmission},
        {"form feed and vertical tab between fields", page_breaks},
        {"ETX and no transmission checksum", "\x02" + fields + "\x03\r\n"},
        {"notes after the transmission checksum", transmission + "\r\nread from a PAL socket\r\n"},
        {"an empty field", "\x02" + fields_by_term("**\r\n", 4) + "\x03"},
        {"a UTF-8 byte order mark", "\xEF\xBB\xBF" + fields},
    };
    for (const auto& [layout, text] : layouts) {
        pla_fuses fuses{};
        const auto error = read_jedec(text, complement_first, fuses);
        EXPECT_FALSE(error) << layout << ": " << error->line << ":" << error->column << ": " << error->message;
        EXPECT_EQ(fuses, pla_fuse_map) << layout;
    }
}

struct malformed_file {
    const char* fault;
    std::string text;
    std::size_t line;
    std::size_t column;
    const char* message;
};

TEST(Jedec, EachFaultNamedWhereItIs) {
    const std::string head = "x*\nQF1928*\n";
    const std::string full = head + "F0*\n";
    const std::vector<malformed_file> files = {
        {"empty", "", 0, 0, "no '*' ends the header: not a JEDEC fuse file"},
        {"another device", "x*\nQF2194*F0*", 2, 1, "QF2194: the 82S100 has 1928 fuses (QF1928)"},
        {"no fuse count", "x*\nF0*", 0, 0, "no QF field gives the fuse count (QF1928)"},
        {"fuses left unset", head + "L0 0101*", 0, 0, "fuse 4 is set by no L field, and no F field gives a default"},
        {"number past the end", full + "L1928 0*", 4, 1, "L field from a fuse past the last one, 1927"},
        {"huge number", full + "L99999999999999999999999 0*", 4, 1, "L field from a fuse past the last one, 1927"},
        {"states past the end", full + "L1920 000000001*", 4, 15, "fuse states past the last fuse, 1927"},
        {"not a state", full + "L0 01\n 2*", 5, 2, "'2' is not a fuse state (0 or 1)"},
        {"no number", full + "L 01*", 4, 1, "the L field has no fuse number"},
        {"bad number", full + "L12x 0*", 4, 4, "'x' in the L field's fuse number"},
        {"no states", full + "L12*", 4, 1, "the L field lists no fuse states"},
        {"set twice", full + "L0 01*L1 0*", 4, 10, "fuse 1 is set twice, to different states"},
        {"field not ended", full + "L0 0101", 4, 1, "the field that starts with 'L' has no '*' to end it"},
        {"fuse checksum", full + "C1234*", 4, 1, "fuse checksum 1234 (the C field) does not match the fuses' 0000"},
        {"C not hex", full + "C12G4*", 4, 1, "the C field holds the fuse checksum: four hex digits"},
        {"K field", full + "K0 FF*", 4, 1,
         "K fields (fuse states in hexadecimal) are not supported: write the fuses in L fields"},
        {"F2", head + "F2*", 3, 1, "the F field gives the state of unlisted fuses: F0 or F1"},
        {"not a letter", full + "5*", 4, 1, "'5' does not start a field: a field is a letter, its content and '*'"},
        {"control byte", full + "\x01*", 4, 1,
         "byte 0x01 does not start a field: a field is a letter, its content and '*'"},
        {"cut short", "\x02" + full, 0, 0, "STX opens the data but no ETX closes it: the file is cut short"},
        {"checksum cut short", "\x02" + full + "\x03" + "12", 4, 2,
         "2 hex digits after ETX, where the transmission checksum has four: write all four (0000: not computed), "
         "or put a line end after ETX"},
        {"checksum run on", "\x02" + full + "\x03" + "12345", 4, 2,
         "more than four hex digits after ETX, where the transmission checksum has four: put what follows on a "
         "line of its own"},
        {"F fields that differ", head + "F0*\nF1*", 4, 1,
         "F1 here, but F0 at line 3, column 1: the F field gives the state of unlisted fuses once"},
        {"C fields that differ", full + "C0000*C0001*", 4, 7,
         "fuse checksum 0001 here, but 0000 at line 4, column 1: one C field gives it"},
        // 2 + 120 + 42 + 3 = 0xA7
        {"transmission checksum", "\x02x*\x03" + std::string{"0030"}, 1, 5,
         "transmission checksum 0030 does not match the data's 00A7: the file was changed or cut"},
        {"lower-case L", full + "l0 0101*", 4, 1, "'l' starts no field: field letters are upper case ('L')"},
        {"lower-case F", head + "f0*", 3, 1, "'f' starts no field: field letters are upper case ('F')"},
        {"lower-case QF", "x*\nqF1928*", 2, 1, "'q' starts no field: field letters are upper case ('Q')"},
        {"lines ended by CR alone", "x*\rQF1928*\rF0*\rL0 01\r 2*", 5, 2, "'2' is not a fuse state (0 or 1)"},
        {"QF taken into the header", "QF1928*\nF0*", 0, 0,
         "no QF field gives the fuse count: the text up to the first '*' is the header, the design's description, "
         "and the QF there is read as part of it (start the file with a header line and its '*')"},
        {"garbage, not padding, after the fields", full + "\x1A" + "L0 1*", 4, 1,
         "byte 0x1A does not start a field: a field is a letter, its content and '*'"},
        {"larger than 1 MiB", full + std::string(jedec_max_file_size, ' '), 0, 0,
         "larger than 1 MiB: not a fuse file of this array"},
    };
    for (const malformed_file& file : files) {
        pla_fuses fuses{};
        const auto error = read_jedec(file.text, complement_first, fuses);
        if (!error) {
            ADD_FAILURE() << file.fault << ": read without an error";
            continue;
        }
        EXPECT_EQ(error->message, file.message) << file.fault;
        EXPECT_EQ(error->line, file.line) << file.fault;
        EXPECT_EQ(error->column, file.column) << file.fault;
    }
}

// Worked out by hand, and (the built-in map) by a separate script over the map's rows.
TEST(Jedec, ChecksumsWorkedOutApart) {
    EXPECT_EQ(jedec_transmission_checksum("\x02*\x03"), 0x002F) << "2 + 42 + 3";
    EXPECT_EQ(jedec_transmission_checksum(std::string(300, '\xFF')), (300 * 255) & 0xFFFF) << "wraps at 16 bits";
    pla_fuses blown{};
    blown.fill(1);
    EXPECT_EQ(jedec_fuse_checksum(blown), 0xF00F) << "241 bytes of 0xFF";
    pla_fuses last{};
    last[pla_fuse_count - 1] = 1;
    EXPECT_EQ(jedec_fuse_checksum(last), 0x0080) << "fuse 1927 is bit 7 of byte 240";
    EXPECT_EQ(jedec_fuse_checksum(pla_fuse_map), 0x7DEB);
}

} // namespace

// What plakit gal refuses of a board file, through its library call: each kind of fault,
// with its place and the reason. That what it writes drives every output, and what it
// refuses of a programming, is in tests/gal_cli.sh.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "commands/commands.h"

namespace {

std::string lines_of(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages) {
        text += message + "\n";
    }
    return text;
}

gal_options with_board_file(std::string board) {
    gal_options options;
    options.board = gal_board_kind::file;
    options.board_file = file_of_bytes("board.txt", std::move(board));
    return options;
}

TEST(GalBoardFile, EachFaultWithItsPlace) {
    // A board of the built-in programming's outputs, each chip with every input on it.
    std::string good = "1.23 CE\n2.23 CE\n";
    for (unsigned input = 0; input < 16; ++input) {
        const unsigned pin = input < 11 ? input + 1 : input < 15 ? input + 2 : 22;
        good += "1." + std::to_string(pin) + " I" + std::to_string(input) + "\n2." + std::to_string(pin) + " I" +
                std::to_string(input) + "\n";
    }
    const std::string outputs = "1.19 F0\n1.18 F1\n1.20 F2\n1.17 F3\n2.19 F4\n2.18 F5\n2.20 F6\n2.17 F7\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {outputs + good + "1.19 I3\n", "43:1: 1.19 is named twice (first on line 1)"},
        {outputs + "1.12 CE\n", "9:1: 1.12 is the ground pin: it carries no signal"},
        {"2.24 F1\n", "1:1: 2.24 is the supply pin: it carries no signal"},
        {"1.5 F3\n", "1:5: F3 on 1.5: pin 5 has no output cell (pins 14-23 have one)"},
        {"1.19 F0\n2.18 F0\n", "2:6: F0 is on both chips (first on line 1): two chips would drive it"},
        {"1.19 F0\n1.18 F0\n", "2:6: F0 is on chip 1 twice (first on line 1)"},
        {"3.1 I0\n", "1:1: '3.1' is not a GAL pin (CHIP.PIN: chip 1 or 2, pin 1-24, as 1.19)"},
        {"1.1 I16\n", "1:5: 'I16' is not a signal of the socket (I0-I15, F0-F7 or CE)"},
        {"1.1 I0 # input\n1.2\n", "2:4: 1.2 has no signal: expected I0-I15, F0-F7 or CE"},
        {"1.1 I0 I1\n", "1:8: 'I1' after the signal: one pin and one signal a line"},
        {outputs.substr(0, outputs.size() - 8) + good, "42:1: F7 is on no chip: each of F0-F7 needs a pin"},
        {outputs + good.substr(0, 8) + good.substr(16),
         "5:1: chip 2 drives F4 but has no CE pin: /CE enables its outputs (or --ce tied)"},
        {outputs + good.substr(0, 16) + good.substr(30), "1:1: F0 depends on I0, which chip 1 does not carry"},
    };
    for (const auto& [board, fault] : cases) {
        const gal_result result = run_gal(std::nullopt, with_board_file(board));
        EXPECT_EQ(result.status, status_failed);
        EXPECT_TRUE(result.files.empty());
        EXPECT_EQ(lines_of(result.messages), "plakit: board.txt:" + fault + "\n") << board;
    }
}

} // namespace

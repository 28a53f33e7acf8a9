// Proves a GAL pair that plakit gal wrote: each chip's fuse map read as the GAL22V10's data
// sheet lays it out and, when given, the equations jedutil printed for it, evaluated with the
// board over every input word and both levels of /CE against the programming or design.
// Usage: gal_proof BOARD CHIP1.jed CHIP2.jed [--ce-tied] [--jedutil EQ1 EQ2] [PROGRAMMING]
// (no PROGRAMMING: the built-in one). Exit status 0 proven, 1 a fault (said on stderr).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "forms/compare.h"
#include "forms/design.h"
#include "tests/gal_check.h"

namespace {

bool read_file(const std::string& name, std::string& bytes) {
    std::ifstream file(name, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
    return static_cast<bool>(file) || file.eof();
}

int fault(const std::string& what) {
    (void)std::fprintf(stderr, "gal_proof: %s\n", what.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() < 3) {
        return fault("usage: gal_proof BOARD CHIP1.jed CHIP2.jed [--ce-tied] [--jedutil EQ1 EQ2] [PROGRAMMING]");
    }
    bool ce_tied = false;
    std::vector<std::string> equations;
    std::string programming;
    for (std::size_t at = 3; at < arguments.size(); ++at) {
        if (arguments[at] == "--ce-tied") {
            ce_tied = true;
        } else if (arguments[at] == "--jedutil" && at + 2 < arguments.size()) {
            equations = {arguments[at + 1], arguments[at + 2]};
            at += 2;
        } else {
            programming = arguments[at];
        }
    }
    gal_check::wanted want{std::vector<std::uint8_t>(pla_word_count), std::vector<std::uint8_t>(pla_word_count, 0xFF)};
    if (programming.empty()) {
        pla_truth_table(pla_fuse_map, std::span<std::uint8_t, pla_word_count>{want.table.data(), pla_word_count});
    } else {
        std::string bytes;
        design read;
        if (!read_file(programming, bytes) ||
            read_design(bytes, programming_form::automatic, jedec_pair_order::complement_first, read)) {
            return fault(programming + ": not read");
        }
        want = {read.table, read.care};
    }
    std::string text;
    gal_check::board board{};
    if (!read_file(arguments[0], text)) {
        return fault(arguments[0] + ": not read");
    }
    if (const auto problem = gal_check::board_of_text(text, board)) {
        return fault(arguments[0] + ": " + *problem);
    }
    std::array<gal_check::chip, 2> chips;
    for (std::size_t chip = 0; chip < 2; ++chip) {
        std::vector<std::uint8_t> fuses;
        if (!read_file(arguments[1 + chip], text)) {
            return fault(arguments[1 + chip] + ": not read");
        }
        auto problem = gal_check::fuses_of_jedec(text, fuses);
        problem = problem ? problem : gal_check::chip_of_fuses(fuses, chips[chip]);
        if (problem) {
            return fault(arguments[1 + chip] + ": " + *problem);
        }
    }
    if (const auto problem = gal_check::check_pair(board, chips, want, ce_tied)) {
        return fault("the fuse maps: " + *problem);
    }
    if (!equations.empty()) {
        for (std::size_t chip = 0; chip < 2; ++chip) {
            if (!read_file(equations[chip], text)) {
                return fault(equations[chip] + ": not read");
            }
            if (const auto problem = gal_check::chip_of_jedutil(text, chips[chip])) {
                return fault(equations[chip] + ": " + *problem);
            }
        }
        if (const auto problem = gal_check::check_pair(board, chips, want, ce_tied)) {
            return fault("jedutil's equations: " + *problem);
        }
    }
    return 0;
}

// Whether two programmings are the same logic, and where and how they are not. Each side
// is a truth table (entry w: the outputs for input word w, bit k is Fk), so a fuse map and
// an EPROM image compare alike; two fuse maps are compared fuse by fuse too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pla/pla.h"

inline constexpr std::size_t pla_word_count = std::size_t{1} << pla_input_count;

// How many first differing words a comparison keeps for each output.
inline constexpr std::size_t compare_first_words = 4;

struct output_comparison {
    // Of the words where the output matters to both sides (every word for two programmings).
    std::size_t cared_words = pla_word_count;
    std::size_t differing_words = 0;
    std::vector<std::uint16_t> first_words; // at most compare_first_words, ascending
};

struct programming_comparison {
    std::array<output_comparison, pla_output_count> outputs;
    // One side is the other with every input inverted (and they differ): a file read in
    // the other pair order.
    bool inputs_inverted = false;
};

// An input word as messages give it: 0x and four hex digits (0x0A3F).
std::string hex_word(std::uint16_t word);

// Whether no output differs at any input word.
bool same_logic(const programming_comparison& comparison) noexcept;

// Fills `table` with the outputs of `fuses` for every input word.
void pla_truth_table(const pla_fuses& fuses, std::span<std::uint8_t, pla_word_count> table) noexcept;

programming_comparison compare_truth_tables(std::span<const std::uint8_t, pla_word_count> first,
                                            std::span<const std::uint8_t, pla_word_count> second);

// As compare_truth_tables, but only where `care` marks that an output matters (bit k of
// care[w]: Fk at the input word w), as a design's don't-cares leave it.
// NOLINTBEGIN(bugprone-easily-swappable-parameters): the two sides and the care table, as named
programming_comparison compare_where_cared(std::span<const std::uint8_t, pla_word_count> first,
                                           std::span<const std::uint8_t, pla_word_count> second,
                                           std::span<const std::uint8_t, pla_word_count> care);
// NOLINTEND(bugprone-easily-swappable-parameters)

// The lines that tell the comparison of two sides (named so): the verdict, each output
// and the patterns found; then, when both fuse maps are given, the fuses that differ, by
// term. `cared_by` says whose don't-cares the comparison left out ("x.pla cares", "both
// designs care"); empty when it compared every word.
std::string comparison_text(const std::string& first_name, const std::string& second_name,
                            const programming_comparison& comparison, const pla_fuses* first_fuses,
                            const pla_fuses* second_fuses, const std::string& cared_by = {});

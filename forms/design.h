// Designs: logic written by hand for the array, with words that do not matter. A Berkeley
// PLA (up to 16 inputs and 8 outputs, any number of rows, don't-cares as its type gives
// them) or plakit's equations of any number of products, read into what the array must
// drive (the truth table) and where it matters (the care table). No I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/forms.h"
#include "pla/pla.h"

struct design {
    // Entry w for the input word w (bit j is Ij): bit k of care[w] set, Fk's level at w
    // matters and is bit k of table[w] (1 high); clear, it is free and table[w] has 0 there.
    // Both hold 65,536 entries once read.
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> care;
    // Which of the file's columns went to which pin, as `NAME is PIN` joined by `, `
    // (`columns 1-12 are I0-I11` for columns without names, counted across the row);
    // empty when the columns are the pins themselves (named I0-I15 and F0-F7, or 16
    // inputs and 8 outputs without names).
    std::string placement;
};

// Whether `read` cares about every output at every input word: a programming, not a design.
bool cares_everywhere(const design& read) noexcept;

// A Berkeley PLA: `.i` (at most 16) and `.o` (at most 8) before the rows; `.type` f, fd
// (without `.type`), fr or fdr; `.ilb`/`.ob` naming the columns; `.phase` (0: the rows
// give the output's complement, as a programming's rows give the sum its polarity fuse
// inverts); `.p` (the count of rows, checked at the end); `#` comments; `.e` or `.end`.
// In a row, inputs are `0`, `1`, `-` (or `2`); outputs `1` (or `4`), `0`, `-` (or `2`),
// `~` (or `3`), read as the type gives: 1 ON; 0 OFF in fr and fdr, else nothing; - a
// don't-care in fd and fdr, else nothing; ~ nothing. What no row puts in the ON-set is
// OFF in f and fd, free in fr and fdr; a don't-care wins over ON; a word both ON and OFF
// is refused at the row that makes it so. Inputs the design has no column for do not
// matter; outputs it has no column for are free.
std::optional<form_error> read_berkeley_design(std::string_view text, design& read);

// plakit's equations (as read_equations reads them, its end line and `warnings` too) with
// any number of products: `# Pt` numbers are read past. Every output is cared for at
// every input word.
std::optional<form_error> read_equations_design(std::string_view text, design& read, form_warnings* warnings = nullptr);

// `bytes` in `form` (told from the content when automatic: a Berkeley PLA or equations;
// any other form is a programming of the array, read as read_programming reads it, and
// cared for everywhere). `order` and `warnings` as read_programming takes them.
std::optional<form_error> read_design(std::string_view bytes, programming_form form, jedec_pair_order order,
                                      design& read, form_warnings* warnings = nullptr);

// Whether `bytes` is, by its content alone, a programming or design in a text form: ASCII
// text (a trailing run of NULs or Ctrl-Zs aside, as programmers pad a file to a size)
// with a mark of its form (an STX or a `QF` field, a `.i` line, an `F0 =` line, a `term`
// header). An EPROM image of the same size, whose bytes are the outputs, is not.
bool holds_text_form(std::string_view bytes) noexcept;

// The array as logic, for people and for programs that read it back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_error.h"
#include "pla/pla.h"

// The line that ends the equations: a comment, as a reader of the form takes it.
inline constexpr std::string_view equations_end_line = "# end";

// One output after another, F0 first: `Fk = ` (or `/Fk = ` when its polarity fuse is
// blown), then the products of the terms that can be true and feed Fk in ascending term
// number, one a line, each after `= ` or a continuation's `| ` and followed by `  # Pt`.
// A product is its literals in ascending input number joined by ` & `: `Ij` needs Ij
// high, `/Ij` needs it low; a product of no literal is `1`, a sum of no product `0`.
// Then the end line, `# end`, so that a file cut short inside its last equation is told.
std::string equations_text(const pla_fuses& fuses);

// The program table: a row per term that can be true and feeds an output, with its number, H, L or - per
// input (I0 first) and A (connected) or . per output (F0 first); then a row with each
// output's polarity, H (active high) or L (active low, inverted).
std::string program_table_text(const pla_fuses& fuses);

// Reads what equations_text prints back into `fuses`: every output once (`Fk =` or
// `/Fk =`), its products one a line, each `# Pt` naming its term. A product without a
// `# Pt` takes the lowest term no other product names (equal products share one). A term
// under several outputs has the same product under each. The terms no product names keep
// every fuse intact, so the logic and the terms come back, not the fuses of dead terms.
// A line whose first mark is `#` is a comment; the comment `# end` ends the equations, and
// only blank lines and comments may follow it. A text without it is read, and adds to
// `warnings`, when given, that a cut in its last equation could not be told.
std::optional<form_error> read_equations(std::string_view text, pla_fuses& fuses, form_warnings* warnings = nullptr);

// Reads what program_table_text prints back into `fuses`: the header line, a row per term
// (`Pt`, 16 of H L -, 8 of A .), and the polarity row; unlisted terms keep every fuse intact.
std::optional<form_error> read_program_table(std::string_view text, pla_fuses& fuses);

// The sums of equations text, read as read_equations reads it but with any number of
// products and their `# Pt` read past: for each output its products (the inputs each
// needs high, and low; bit j is Ij) and whether the sum is inverted.
struct equation_sums {
    struct product {
        std::uint16_t high;
        std::uint16_t low;
    };
    std::array<std::vector<product>, pla_output_count> products;
    std::array<bool, pla_output_count> inverted{};
};
std::optional<form_error> read_equation_sums(std::string_view text, equation_sums& sums,
                                             form_warnings* warnings = nullptr);

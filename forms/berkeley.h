// Berkeley PLA files (the logic minimizers' `.pla`), as far as the array can hold them:
// 16 inputs, 8 outputs, at most 48 terms.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "forms/form_error.h"
#include "pla/pla.h"

// Reads `text` into `fuses`: `.i 16` and `.o 8` before the terms; `.type f`, `fr`, `fd` or
// `fdr`; `.p` (a count, not checked against the rows); `.phase` (0 inverts an output: its
// polarity fuse is blown); `.ilb`, `.ob` and `#` comments read past; `.e` or `.end` ends
// it. A row is 16 inputs of `0`, `1`, `-` and 8 outputs of `1`, `0`, `-`, `~`; each row
// with a 1 becomes the next term, connected to the outputs marked 1 (the others, whatever
// the type makes of them, stay unconnected). The terms no row fills keep every fuse intact.
// More than 48 such rows are refused.
std::optional<form_error> read_berkeley_pla(std::string_view text, pla_fuses& fuses);

// The file for `fuses`: type f (no `.type` line, which some readers refuse), `.phase` for
// the polarity, one row per term that can be true and feeds an output, in term order.
std::string write_berkeley_pla(const pla_fuses& fuses);

// What plakit fit says of an image or a truth table and of the programming it finds: the
// same words from every front end. No I/O: the caller puts the file's name in front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "minimize/minimize.h"
#include "pla/pla.h"

// Why `size` bytes are not an image or a truth table to fit, or none.
std::optional<std::string> fit_size_problem(std::size_t size);

// H (active high, the plain sum) or L (inverted) for each output, F0 first, as the
// program table writes them.
std::string fit_polarity_letters(std::uint8_t inverted_outputs);

// The outcome of a search, one of
//   "N terms, the fewest possible; M of the 48 left, polarity P" (proven),
//   "N terms; at least L are needed; M of the 48 left, polarity P; a larger --effort may
//   find fewer" (found, not proven),
//   "N terms; at least L are needed, the array has 48; a larger --effort may find fewer"
//   (not found, not proven impossible),
//   "no 82S100 programming drives this image: at least L terms are needed, the array has 48"
//   and, where one output alone needs more, "; Fk alone needs at least A" (impossible);
// "1 term" and "at least 1 is needed" where the count is 1. A programming is written for
// the first two only.
std::string fit_outcome_text(const fit_result& result);

// Why the array programmed with `fuses` is not written: the first input word for which it
// does not drive table[word] (a fault of the minimizer's); none when it drives them all.
std::optional<std::string> fit_check_problem(const pla_fuses& fuses,
                                             std::span<const std::uint8_t, fit_table_size> table);

// The same for a design: only the levels of care[word] (bit k for Fk) must be driven.
std::optional<std::string> fit_check_problem(const pla_fuses& fuses,
                                             std::span<const std::uint8_t, fit_table_size> table,
                                             std::span<const std::uint8_t, fit_table_size> care);

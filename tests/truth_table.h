// The truth table of a programming, as fit takes it: the output byte the array drives for
// each of the 65,536 input words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "pla/pla.h"

using truth_table = std::array<std::uint8_t, fit_table_size>;

inline truth_table table_of(const pla_fuses& fuses) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    truth_table table{};
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        table[word] = evaluate_with(evaluator, static_cast<std::uint16_t>(word));
    }
    return table;
}

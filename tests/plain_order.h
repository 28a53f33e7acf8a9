// The array evaluated in its plain order: output by output, every connected term
// evaluated anew, all sixteen inputs of a term visited, nothing precomputed. Slow, and
// kept as the reference that the fast evaluator is proven against.
#pragma once

#include <cstdint>

#include "pla/pla.h"

inline bool plain_order_term_true(const pla_fuses& fuses, std::size_t term, std::uint16_t inputs) noexcept {
    bool product = true;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const bool high = ((inputs >> input) & 1U) != 0;
        if (high && fuses[pla_complement_fuse(term, input)] == 0) {
            product = false;
        }
        if (!high && fuses[pla_true_fuse(term, input)] == 0) {
            product = false;
        }
    }
    return product;
}

inline std::uint8_t plain_order_evaluate(const pla_fuses& fuses, std::uint16_t inputs) noexcept {
    unsigned outputs = 0;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        bool sum = false;
        for (std::size_t term = 0; term < pla_term_count; ++term) {
            if (fuses[pla_output_fuse(term, output)] == 0) {
                sum = plain_order_term_true(fuses, term, inputs) || sum;
            }
        }
        if (sum != (fuses[pla_polarity_fuse(output)] == 1)) {
            outputs |= 1U << output;
        }
    }
    return static_cast<std::uint8_t>(outputs);
}

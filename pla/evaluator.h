// The fast evaluator: lookup tables derived from a fuse map at compile time.
//
// A term is true when both halves of the input word allow it, so for each value of
// each input byte a table holds the set of terms that byte allows. Terms that can never
// be true (both fuses of some input intact) or that feed no output are left out, since
// they never change a result. The set of true terms is then turned into outputs a byte
// of terms at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "pla/pla.h"

inline constexpr std::size_t max_term_bytes = (pla_term_count + 7) / 8;

// Bit i of a term set stands for the i-th term that is left in.
using pla_term_set = std::uint64_t;
static_assert(pla_term_count <= 64);

template <std::size_t TermBytes>
struct pla_evaluator {
    std::array<pla_term_set, 256> allowed_by_low_inputs;  // by I0-I7
    std::array<pla_term_set, 256> allowed_by_high_inputs; // by I8-I15
    // outputs_fed[b][v]: bit k is set when a term of byte b of the term set, given by v,
    // is connected to Fk.
    std::array<std::array<std::uint8_t, 256>, TermBytes> outputs_fed;
    std::uint8_t inverted_outputs; // bit k: the polarity fuse of Fk is blown
};

namespace evaluator_detail {

// The inputs whose true (or complement) fuse is intact in the term: such an input, low
// (or high), makes the term false.
constexpr unsigned inputs_failing_when(const pla_fuses& fuses, std::size_t term, bool high) noexcept {
    unsigned inputs = 0;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const std::size_t fuse = high ? pla_complement_fuse(term, input) : pla_true_fuse(term, input);
        if (fuses[fuse] == 0) {
            inputs |= 1U << input;
        }
    }
    return inputs;
}

constexpr unsigned outputs_of_term(const pla_fuses& fuses, std::size_t term) noexcept {
    unsigned outputs = 0;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        if (fuses[pla_output_fuse(term, output)] == 0) {
            outputs |= 1U << output;
        }
    }
    return outputs;
}

constexpr bool term_matters(const pla_fuses& fuses, std::size_t term) noexcept {
    const bool can_be_true = (inputs_failing_when(fuses, term, true) & inputs_failing_when(fuses, term, false)) == 0;
    return can_be_true && outputs_of_term(fuses, term) != 0;
}

} // namespace evaluator_detail

// How many bytes of terms are left in for `fuses`: the size the evaluator needs.
constexpr std::size_t pla_term_bytes(const pla_fuses& fuses) noexcept {
    std::size_t terms = 0;
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        terms += evaluator_detail::term_matters(fuses, term) ? 1 : 0;
    }
    return (terms + 7) / 8;
}

// Derives the evaluator for `fuses`; TermBytes must be at least pla_term_bytes(fuses).
template <std::size_t TermBytes>
constexpr pla_evaluator<TermBytes> derive_pla_evaluator(const pla_fuses& fuses) noexcept {
    using namespace evaluator_detail;
    pla_evaluator<TermBytes> evaluator{};
    std::size_t bit = 0;
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        if (!term_matters(fuses, term)) {
            continue;
        }
        const unsigned failing_high = inputs_failing_when(fuses, term, true);
        const unsigned failing_low = inputs_failing_when(fuses, term, false);
        // Whether the inputs of `half` in `word` leave the term true.
        const auto allows = [&](unsigned word, unsigned half) {
            return (word & failing_high & half) == 0 && (~word & failing_low & half) == 0;
        };
        const auto outputs = static_cast<std::uint8_t>(outputs_of_term(fuses, term));
        for (unsigned value = 0; value < 256; ++value) {
            if (allows(value, 0x00FFU)) {
                evaluator.allowed_by_low_inputs[value] |= pla_term_set{1} << bit;
            }
            if (allows(value << 8, 0xFF00U)) {
                evaluator.allowed_by_high_inputs[value] |= pla_term_set{1} << bit;
            }
            if (((value >> (bit % 8)) & 1U) != 0) {
                evaluator.outputs_fed[bit / 8][value] |= outputs;
            }
        }
        ++bit;
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        if (fuses[pla_polarity_fuse(output)] == 1) {
            evaluator.inverted_outputs = static_cast<std::uint8_t>(evaluator.inverted_outputs | (1U << output));
        }
    }
    return evaluator;
}

// Takes a PLA input word and returns the PLA output byte, as pla_evaluate does for the
// fuse map that `evaluator` was derived from.
template <std::size_t TermBytes>
constexpr std::uint8_t evaluate_with(const pla_evaluator<TermBytes>& evaluator, std::uint16_t inputs) noexcept {
    const pla_term_set true_terms =
        evaluator.allowed_by_low_inputs[inputs & 0xFFU] & evaluator.allowed_by_high_inputs[inputs >> 8];
    unsigned sums = 0;
    for (std::size_t byte = 0; byte < TermBytes; ++byte) {
        sums |= evaluator.outputs_fed[byte][(true_terms >> (8 * byte)) & 0xFFU];
    }
    return static_cast<std::uint8_t>(sums ^ evaluator.inverted_outputs);
}

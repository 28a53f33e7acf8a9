#include "pla/pla.h"

namespace {

bool fuse_intact(std::size_t fuse) noexcept {
    return pla_fuse_map[fuse] == 0;
}

bool term_true(std::size_t term, std::uint16_t inputs) noexcept {
    bool product = true;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const bool high = ((inputs >> input) & 1U) != 0;
        if (high && fuse_intact(pla_complement_fuse(term, input))) {
            product = false;
        }
        if (!high && fuse_intact(pla_true_fuse(term, input))) {
            product = false;
        }
    }
    return product;
}

} // namespace

std::uint8_t pla_evaluate(std::uint16_t inputs) noexcept {
    unsigned outputs = 0;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        bool sum = false;
        for (std::size_t term = 0; term < pla_term_count; ++term) {
            if (fuse_intact(pla_output_fuse(term, output))) {
                sum = term_true(term, inputs) || sum;
            }
        }
        const bool inverted = !fuse_intact(pla_polarity_fuse(output));
        if (sum != inverted) {
            outputs |= 1U << output;
        }
    }
    return static_cast<std::uint8_t>(outputs);
}

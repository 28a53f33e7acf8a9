#include <algorithm>

#include "minimize/minimize.h"

pla_fuses fit_fuses(const fit_result& result) {
    pla_fuses fuses{};
    fuses.fill(1);
    const std::size_t used = std::min(result.terms.size(), pla_term_count);
    for (std::size_t term = 0; term < used; ++term) {
        const fit_term& product = result.terms[term];
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            if (((product.care >> input) & 1U) != 0) {
                // Needing Ij high, the term keeps its true fuse, which fails it when Ij is low.
                const bool high = ((product.levels >> input) & 1U) != 0;
                fuses[high ? pla_true_fuse(term, input) : pla_complement_fuse(term, input)] = 0;
            }
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            if (((product.outputs >> output) & 1U) != 0) {
                fuses[pla_output_fuse(term, output)] = 0;
            }
        }
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        fuses[pla_polarity_fuse(output)] = static_cast<std::uint8_t>((result.inverted_outputs >> output) & 1U);
    }
    return fuses;
}

#include "minimize/fit_report.h"

#include <array>
#include <cstdio>

#include "pla/evaluator.h"

std::optional<std::string> fit_size_problem(std::size_t size) {
    if (size == fit_table_size) {
        return std::nullopt;
    }
    return std::to_string(size) + (size == 1 ? " byte" : " bytes") + ", not 65536: not an EPROM image";
}

std::string fit_polarity_letters(std::uint8_t inverted_outputs) {
    std::string letters;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        letters += ((inverted_outputs >> output) & 1U) != 0 ? 'L' : 'H';
    }
    return letters;
}

std::string fit_outcome_text(const fit_result& result) {
    if (result.found) {
        return std::to_string(result.terms.size()) + " terms, polarity " +
               fit_polarity_letters(result.inverted_outputs);
    }
    // One term for each input word always drives the table: a cover larger than that only
    // shows where the search stopped.
    std::string reason = "no programming of at most 48 terms: ";
    reason += result.terms.size() <= fit_table_size ? "the fewest reached is " + std::to_string(result.terms.size())
                                                    : "the search stopped early";
    if (result.lower_bound != 0) {
        reason += ", and at least " + std::to_string(result.lower_bound) + " are needed";
    }
    return reason;
}

std::optional<std::string> fit_check_problem(const pla_fuses& fuses,
                                             std::span<const std::uint8_t, fit_table_size> table) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        if (evaluate_with(evaluator, static_cast<std::uint16_t>(word)) != table[word]) {
            std::array<char, 8> hex{};
            (void)std::snprintf(hex.data(), hex.size(), "0x%04zX", word); // always fits
            return std::string{"the programming found differs at input word "} + hex.data() +
                   " (a fault of plakit's): not written";
        }
    }
    return std::nullopt;
}

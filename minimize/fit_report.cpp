#include "minimize/fit_report.h"

#include <algorithm>
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
    const std::size_t count = result.terms.size();
    const std::string terms = std::to_string(count) + (count == 1 ? " term" : " terms");
    const std::string at_least = "at least " + std::to_string(result.lower_bound);
    const std::string needed = at_least + (result.lower_bound == 1 ? " is needed" : " are needed");
    const std::string array_has = "the array has " + std::to_string(pla_term_count);
    // Only a search cut short by its effort leaves the outcome bounded.
    const std::string advice = "; a larger --effort may find fewer";
    if (result.outcome == fit_outcome::impossible) {
        std::string text = "no 82S100 programming drives this image: " + at_least + " terms are needed, " + array_has;
        if (result.alone_output) {
            text += "; F" + std::to_string(*result.alone_output) + " alone needs at least " +
                    std::to_string(result.alone_bound);
        }
        return text;
    }
    if (!result.found) {
        return terms + "; " + needed + ", " + array_has + advice;
    }
    const std::size_t left = pla_term_count - std::min(count, pla_term_count);
    const std::string rest = std::to_string(left) + " of the " + std::to_string(pla_term_count) + " left, polarity " +
                             fit_polarity_letters(result.inverted_outputs);
    if (result.outcome == fit_outcome::proven) {
        return terms + ", the fewest possible; " + rest;
    }
    return terms + "; " + needed + "; " + rest + advice;
}

namespace {

template <typename Care>
std::optional<std::string> check_problem(const pla_fuses& fuses, std::span<const std::uint8_t, fit_table_size> table,
                                         Care care) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        if (((evaluate_with(evaluator, static_cast<std::uint16_t>(word)) ^ table[word]) & care(word)) != 0) {
            std::array<char, 8> hex{};
            (void)std::snprintf(hex.data(), hex.size(), "0x%04zX", word); // always fits
            return std::string{"the programming found differs at input word "} + hex.data() +
                   " (a fault of plakit's): not written";
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> fit_check_problem(const pla_fuses& fuses,
                                             std::span<const std::uint8_t, fit_table_size> table) {
    return check_problem(fuses, table, [](std::size_t) { return 0xFFU; });
}

// NOLINTBEGIN(bugprone-easily-swappable-parameters): in fit_design's order
std::optional<std::string> fit_check_problem(const pla_fuses& fuses,
                                             std::span<const std::uint8_t, fit_table_size> table,
                                             std::span<const std::uint8_t, fit_table_size> care) {
    // NOLINTEND(bugprone-easily-swappable-parameters)
    return check_problem(fuses, table, [&](std::size_t word) { return static_cast<unsigned>(care[word]); });
}

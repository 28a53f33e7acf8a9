#include "forms/compare.h"

#include <algorithm>

#include "pla/evaluator.h"

std::string hex_word(std::uint16_t word) {
    static constexpr std::string_view digits = "0123456789ABCDEF";
    std::string text = "0x";
    for (unsigned shift = 16; shift > 0;) {
        shift -= 4;
        text += digits[(word >> shift) & 0xFU];
    }
    return text;
}

bool same_logic(const programming_comparison& comparison) noexcept {
    return std::all_of(comparison.outputs.begin(), comparison.outputs.end(),
                       [](const output_comparison& output) { return output.differing_words == 0; });
}

void pla_truth_table(const pla_fuses& fuses, std::span<std::uint8_t, pla_word_count> table) noexcept {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t word = 0; word < pla_word_count; ++word) {
        table[word] = evaluate_with(evaluator, static_cast<std::uint16_t>(word));
    }
}

programming_comparison compare_truth_tables(std::span<const std::uint8_t, pla_word_count> first,
                                            std::span<const std::uint8_t, pla_word_count> second) {
    programming_comparison comparison;
    bool inverted_inputs_match = true;
    for (std::size_t word = 0; word < pla_word_count; ++word) {
        auto differing = static_cast<unsigned>(first[word] ^ second[word]);
        inverted_inputs_match = inverted_inputs_match && first[word] == second[word ^ (pla_word_count - 1)];
        for (std::size_t output = 0; differing != 0; ++output, differing >>= 1U) {
            if ((differing & 1U) == 0) {
                continue;
            }
            output_comparison& compared = comparison.outputs[output];
            if (compared.differing_words++ < compare_first_words) {
                compared.first_words.push_back(static_cast<std::uint16_t>(word));
            }
        }
    }
    comparison.inputs_inverted = inverted_inputs_match && !same_logic(comparison);
    return comparison;
}

// NOLINTBEGIN(bugprone-easily-swappable-parameters): the two sides and the care table, as named
programming_comparison compare_where_cared(std::span<const std::uint8_t, pla_word_count> first,
                                           std::span<const std::uint8_t, pla_word_count> second,
                                           std::span<const std::uint8_t, pla_word_count> care) {
    // NOLINTEND(bugprone-easily-swappable-parameters)
    programming_comparison comparison;
    for (auto& output : comparison.outputs) {
        output.cared_words = 0;
    }
    for (std::size_t word = 0; word < pla_word_count; ++word) {
        const auto cared = static_cast<unsigned>(care[word]);
        const auto differing = static_cast<unsigned>(first[word] ^ second[word]) & cared;
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            output_comparison& compared = comparison.outputs[output];
            compared.cared_words += (cared >> output) & 1U;
            if (((differing >> output) & 1U) != 0 && compared.differing_words++ < compare_first_words) {
                compared.first_words.push_back(static_cast<std::uint16_t>(word));
            }
        }
    }
    return comparison;
}

namespace {

// A line for each output, and the pattern of the inputs.
std::string output_lines(const programming_comparison& comparison) {
    std::string text;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        const output_comparison& compared = comparison.outputs[output];
        text += "  F" + std::to_string(output) + ": ";
        if (compared.cared_words == 0) {
            text += "free at every input word\n";
        } else if (compared.differing_words == 0) {
            text += "the same\n";
        } else if (compared.cared_words != pla_word_count) {
            text += "differs at " + std::to_string(compared.differing_words) + " of the " +
                    std::to_string(compared.cared_words) + " input words that matter, from";
            for (const std::uint16_t word : compared.first_words) {
                text += " " + hex_word(word);
            }
            text += "\n";
        } else if (compared.differing_words == pla_word_count) {
            text += "inverted, at every input word: polarity fuse " + std::to_string(pla_polarity_fuse(output)) + "\n";
        } else {
            text += "differs at " + std::to_string(compared.differing_words) + " of " + std::to_string(pla_word_count) +
                    " input words, from";
            for (const std::uint16_t word : compared.first_words) {
                text += " " + hex_word(word);
            }
            text += "\n";
        }
    }
    if (comparison.inputs_inverted) {
        text += "  every input inverted: the same logic with the other pair order (--pairs)\n";
    }
    return text;
}

// The count of fuses that differ, then a line for each term (and the polarity fuses)
// with any; nothing when none differs.
std::string fuse_lines(const pla_fuses& first, const pla_fuses& second) {
    std::size_t count = 0;
    std::string by_term;
    for (std::size_t block = 0; block <= pla_term_count; ++block) {
        const bool polarity = block == pla_term_count;
        const std::size_t start = block * pla_term_block_size;
        const std::size_t end = polarity ? pla_fuse_count : start + pla_term_block_size;
        std::string fuses;
        for (std::size_t fuse = start; fuse < end; ++fuse) {
            if (first[fuse] != second[fuse]) {
                fuses += " " + std::to_string(fuse);
                ++count;
            }
        }
        if (!fuses.empty()) {
            by_term += (polarity ? std::string{"  polarity:"} : "  P" + std::to_string(block) + ":") + fuses + "\n";
        }
    }
    return count == 0 ? std::string{} : "  fuses that differ: " + std::to_string(count) + "\n" + by_term;
}

} // namespace

std::string comparison_text(const std::string& first_name, const std::string& second_name,
                            const programming_comparison& comparison, const pla_fuses* first_fuses,
                            const pla_fuses* second_fuses, const std::string& cared_by) {
    const bool same = same_logic(comparison);
    std::string text = first_name + " and " + second_name + ": " + (same ? "the same logic" : "different logic") +
                       (cared_by.empty() ? "" : " wherever " + cared_by) + "\n";
    if (!same) {
        text += output_lines(comparison);
    }
    if (first_fuses != nullptr && second_fuses != nullptr) {
        text += fuse_lines(*first_fuses, *second_fuses);
    }
    return text;
}

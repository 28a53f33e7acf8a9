#include "forms/compare.h"

#include <algorithm>

#include "pla/evaluator.h"

namespace {

std::string hex_word(std::uint16_t word) {
    static constexpr std::string_view digits = "0123456789ABCDEF";
    std::string text = "0x";
    for (unsigned shift = 16; shift > 0;) {
        shift -= 4;
        text += digits[(word >> shift) & 0xFU];
    }
    return text;
}

} // namespace

bool programming_comparison::same() const noexcept {
    return std::all_of(outputs.begin(), outputs.end(),
                       [](const output_comparison& output) { return output.differing_words == 0; });
}

void pla_truth_table(const pla_fuses& fuses, std::span<std::uint8_t, pla_word_count> table) noexcept {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t word = 0; word < pla_word_count; ++word) {
        table[word] = evaluate_with(evaluator, static_cast<std::uint16_t>(word));
    }
}

programming_comparison compare_truth_tables(std::span<const std::uint8_t, pla_word_count> a,
                                            std::span<const std::uint8_t, pla_word_count> b) {
    programming_comparison comparison;
    bool inverted_inputs_match = true;
    for (std::size_t word = 0; word < pla_word_count; ++word) {
        const unsigned differing = static_cast<unsigned>(a[word] ^ b[word]);
        inverted_inputs_match = inverted_inputs_match && a[word] == b[word ^ (pla_word_count - 1)];
        for (std::size_t output = 0; differing != 0 && output < pla_output_count; ++output) {
            if (((differing >> output) & 1U) == 0) {
                continue;
            }
            output_comparison& compared = comparison.outputs[output];
            if (compared.differing_words++ < compare_first_words) {
                compared.first_words.push_back(static_cast<std::uint16_t>(word));
            }
        }
    }
    comparison.inputs_inverted = inverted_inputs_match && !comparison.same();
    return comparison;
}

std::string comparison_text(const std::string& a_name, const std::string& b_name,
                            const programming_comparison& comparison, const pla_fuses* a_fuses,
                            const pla_fuses* b_fuses) {
    const bool same = comparison.same();
    std::string text = a_name + " and " + b_name + ": " + (same ? "the same logic" : "different logic") + "\n";
    if (!same) {
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            const output_comparison& compared = comparison.outputs[output];
            const std::string name = "  F" + std::to_string(output) + ": ";
            if (compared.differing_words == 0) {
                text += name + "the same\n";
                continue;
            }
            if (compared.differing_words == pla_word_count) {
                text += name + "inverted, at every input word: polarity fuse " +
                        std::to_string(pla_polarity_fuse(output)) + "\n";
                continue;
            }
            text += name + "differs at " + std::to_string(compared.differing_words) + " of " +
                    std::to_string(pla_word_count) + " input words, from";
            for (const std::uint16_t word : compared.first_words) {
                text += " " + hex_word(word);
            }
            text += "\n";
        }
        if (comparison.inputs_inverted) {
            text += "  every input inverted: the same logic with the other pair order (--pairs)\n";
        }
    }
    if (a_fuses == nullptr || b_fuses == nullptr) {
        return text;
    }
    std::size_t count = 0;
    std::string by_term;
    for (std::size_t block = 0; block <= pla_term_count; ++block) {
        const bool polarity = block == pla_term_count;
        const std::size_t first = block * pla_term_block_size;
        const std::size_t end = polarity ? pla_fuse_count : first + pla_term_block_size;
        std::string fuses;
        for (std::size_t fuse = first; fuse < end; ++fuse) {
            if ((*a_fuses)[fuse] != (*b_fuses)[fuse]) {
                fuses += " " + std::to_string(fuse);
                ++count;
            }
        }
        if (!fuses.empty()) {
            by_term += polarity ? "  polarity:" : "  P" + std::to_string(block) + ":";
            by_term += fuses + "\n";
        }
    }
    if (count != 0) {
        text += "  fuses that differ: " + std::to_string(count) + "\n" + by_term;
    }
    return text;
}

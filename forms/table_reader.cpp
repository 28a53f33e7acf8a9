// Reading plakit's program table back into a fuse map.
#include <charconv>

#include "forms/equations.h"
#include "forms/text_lines.h"

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t';
}

// The next word of `line` from `at`, and its column.
std::pair<std::size_t, std::string_view> next_word(std::string_view line, std::size_t& at) {
    while (at < line.size() && is_space(line[at])) {
        ++at;
    }
    const std::size_t start = at;
    while (at < line.size() && !is_space(line[at])) {
        ++at;
    }
    return {start + 1, line.substr(start, at - start)};
}

// The first character of `word` not in `allowed`, or none; `word` must be `size` long.
std::optional<form_error> check_letters(std::string_view word, std::size_t size, std::string_view allowed,
                                        std::size_t line, std::size_t column, const std::string& what) {
    for (std::size_t at = 0; at < word.size() && at < size; ++at) {
        if (allowed.find(word[at]) == std::string_view::npos) {
            return text_error(line, column + at, quoted_byte(word[at]) + " is not " + what);
        }
    }
    if (word.size() != size) {
        return text_error(line, column + std::min(word.size(), size),
                          what + ": " + std::to_string(size) + " are needed, not " + std::to_string(word.size()));
    }
    return std::nullopt;
}

} // namespace

std::optional<form_error> read_program_table(std::string_view text, pla_fuses& fuses) {
    fuses.fill(0);
    std::array<bool, pla_term_count> listed{};
    bool header = false;
    bool polarity = false;
    text_lines lines{text};
    std::string_view line;
    while (lines.read(line)) {
        std::size_t at = 0;
        const auto [column, first] = next_word(line, at);
        if (first.empty()) {
            continue;
        }
        const auto fault = [&lines](std::size_t place, std::string message) {
            return text_error(lines.number, place, std::move(message));
        };
        if (!header) {
            if (first != "term") {
                return fault(column, "the table's header (term  I0...) belongs first");
            }
            header = true;
            continue;
        }
        if (polarity) {
            return fault(column, "a row after the polarity row");
        }
        if (first == "polarity") {
            const auto [letters_column, letters] = next_word(line, at);
            if (auto error = check_letters(letters, pla_output_count, "HL", lines.number, letters_column,
                                           "an output's polarity (H or L)")) {
                return error;
            }
            for (std::size_t k = 0; k < pla_output_count; ++k) {
                fuses[pla_polarity_fuse(k)] = letters[k] == 'L' ? 1 : 0;
            }
            polarity = true;
        } else {
            std::size_t term = 0;
            const auto [end, error] = std::from_chars(first.data() + 1, first.data() + first.size(), term);
            if (first[0] != 'P' || first.size() < 2 || error != std::errc{} || end != first.data() + first.size() ||
                term >= pla_term_count) {
                return fault(column, "not a term (P0 to P47) or the polarity row");
            }
            if (listed[term]) {
                return fault(column, "P" + std::to_string(term) + " a second time");
            }
            listed[term] = true;
            const auto [inputs_column, inputs] = next_word(line, at);
            if (auto fault_found = check_letters(inputs, pla_input_count, "HL-", lines.number, inputs_column,
                                                 "an input's H, L or -")) {
                return fault_found;
            }
            const auto [outputs_column, outputs] = next_word(line, at);
            if (auto fault_found = check_letters(outputs, pla_output_count, "A.", lines.number, outputs_column,
                                                 "an output's A or .")) {
                return fault_found;
            }
            for (std::size_t input = 0; input < pla_input_count; ++input) {
                fuses[pla_complement_fuse(term, input)] = inputs[input] == 'L' ? 0 : 1;
                fuses[pla_true_fuse(term, input)] = inputs[input] == 'H' ? 0 : 1;
            }
            for (std::size_t k = 0; k < pla_output_count; ++k) {
                fuses[pla_output_fuse(term, k)] = outputs[k] == 'A' ? 0 : 1;
            }
        }
        const auto [rest_column, rest] = next_word(line, at);
        if (!rest.empty()) {
            return fault(rest_column, quoted_byte(rest[0]) + " after the end of the row");
        }
    }
    if (!polarity) {
        return file_error(header ? "no polarity row" : "no table header");
    }
    return std::nullopt;
}

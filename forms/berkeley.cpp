#include "forms/berkeley.h"

#include <charconv>
#include <vector>

#include "forms/text_lines.h"

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t';
}

// The words of `line` with their columns (from 1).
std::vector<std::pair<std::size_t, std::string_view>> words_of(std::string_view line) {
    std::vector<std::pair<std::size_t, std::string_view>> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (is_space(line[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < line.size() && !is_space(line[at])) {
            ++at;
        }
        words.emplace_back(start + 1, line.substr(start, at - start));
    }
    return words;
}

std::optional<std::size_t> number_of(std::string_view word) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

constexpr std::size_t row_symbols = pla_input_count + pla_output_count;

} // namespace

std::optional<form_error> read_berkeley_pla(std::string_view text, pla_fuses& fuses) {
    fuses.fill(0);
    text_lines lines{text};
    std::string_view line;
    bool have_inputs = false;
    bool have_outputs = false;
    std::size_t term = 0;
    const auto error = [&lines](std::size_t column, std::string message) {
        return text_error(lines.number, column, std::move(message));
    };
    while (lines.read(line)) {
        const auto words = words_of(line);
        if (words.empty() || words[0].second[0] == '#') {
            continue;
        }
        const auto [column, keyword] = words[0];
        if (keyword[0] == '.') {
            if (keyword == ".e" || keyword == ".end") {
                break;
            }
            if (keyword == ".ilb" || keyword == ".ob") {
                continue;
            }
            const bool counted = keyword == ".i" || keyword == ".o" || keyword == ".p";
            if (counted || keyword == ".type" || keyword == ".phase") {
                if (words.size() != 2) {
                    return error(column, std::string{keyword} + " takes one value");
                }
            }
            const auto [value_column, value] = words.size() > 1 ? words[1] : words[0];
            if (keyword == ".i" || keyword == ".o") {
                const std::size_t wanted = keyword == ".i" ? pla_input_count : pla_output_count;
                if (number_of(value) != wanted) {
                    return error(value_column, std::string{keyword} + " " + std::string{value} + ": the 82S100 has " +
                                                   std::to_string(wanted) + (keyword == ".i" ? " inputs" : " outputs"));
                }
                (keyword == ".i" ? have_inputs : have_outputs) = true;
            } else if (keyword == ".p") {
                if (!number_of(value)) {
                    return error(value_column, ".p " + std::string{value} + ": not a count of terms");
                }
            } else if (keyword == ".type") {
                if (value != "f" && value != "fr" && value != "fd" && value != "fdr") {
                    return error(value_column, ".type " + std::string{value} + ": not f, fr, fd or fdr");
                }
            } else if (keyword == ".phase") {
                if (value.size() != pla_output_count) {
                    return error(value_column, ".phase needs one 0 or 1 per output, 8 in all");
                }
                for (std::size_t output = 0; output < pla_output_count; ++output) {
                    if (value[output] != '0' && value[output] != '1') {
                        return error(value_column + output, quoted_byte(value[output]) + " is not a phase (0 or 1)");
                    }
                    fuses[pla_polarity_fuse(output)] = value[output] == '0' ? 1 : 0;
                }
            } else {
                return error(column, std::string{keyword} + ": not a keyword this reader knows");
            }
            continue;
        }
        if (!have_inputs || !have_outputs) {
            return error(column, "a term before .i 16 and .o 8");
        }
        // The row's symbols, wherever the spaces fall, with their columns.
        std::array<char, row_symbols> symbols{};
        std::size_t count = 0;
        for (std::size_t at = 0; at < line.size(); ++at) {
            if (is_space(line[at])) {
                continue;
            }
            if (count == row_symbols) {
                return error(at + 1, "more than 16 inputs and 8 outputs in a row");
            }
            const char c = line[at];
            const bool input = count < pla_input_count;
            if (input ? c != '0' && c != '1' && c != '-' : c != '0' && c != '1' && c != '-' && c != '~') {
                return error(at + 1, quoted_byte(c) +
                                         (input ? " is not an input's 0, 1 or -" : " is not an output's 1, 0, - or ~"));
            }
            symbols[count++] = c;
        }
        if (count != row_symbols) {
            return error(line.size() + 1,
                         "a row needs 16 inputs and 8 outputs, this one has " + std::to_string(count) + " symbols");
        }
        bool feeds = false;
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            feeds = feeds || symbols[pla_input_count + output] == '1';
        }
        if (!feeds) {
            continue; // it says where outputs are 0 or free: the array holds only what makes them 1
        }
        if (term == pla_term_count) {
            return error(column,
                         "a 49th term: the 82S100 has 48; plakit fit finds at most 48 for the same logic "
                         "from its truth table");
        }
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            fuses[pla_complement_fuse(term, input)] = symbols[input] == '0' ? 0 : 1;
            fuses[pla_true_fuse(term, input)] = symbols[input] == '1' ? 0 : 1;
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses[pla_output_fuse(term, output)] = symbols[pla_input_count + output] == '1' ? 0 : 1;
        }
        ++term;
    }
    if (!have_inputs || !have_outputs) {
        return file_error("no .i 16 and .o 8: not a Berkeley PLA file of the 82S100");
    }
    return std::nullopt;
}

std::string write_berkeley_pla(const pla_fuses& fuses) {
    std::string rows;
    std::size_t count = 0;
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        std::string row;
        bool dead = false;
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            const bool complement_intact = fuses[pla_complement_fuse(term, input)] == 0;
            const bool true_intact = fuses[pla_true_fuse(term, input)] == 0;
            dead = dead || (complement_intact && true_intact);
            row += true_intact ? '1' : complement_intact ? '0' : '-';
        }
        row += ' ';
        bool feeds = false;
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            const bool connected = fuses[pla_output_fuse(term, output)] == 0;
            feeds = feeds || connected;
            row += connected ? '1' : '0';
        }
        if (dead || !feeds) {
            continue;
        }
        rows += row + "\n";
        ++count;
    }
    std::string text =
        "# The 82S100's programming: one row per term that can be true and feeds an output.\n"
        "# Inputs I0-I15 and outputs F0-F7 are the array's pins; .phase 0: the pin is the sum inverted.\n"
        ".i 16\n.o 8\n.phase ";
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        text += fuses[pla_polarity_fuse(output)] == 1 ? '0' : '1';
    }
    text += "\n.p " + std::to_string(count) + "\n" + rows + ".e\n";
    return text;
}

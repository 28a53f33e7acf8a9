#include "forms/equations.h"

#include <optional>
#include <string>

namespace {

// H, L or - for each input of `term`; nothing when it can never be true.
std::optional<std::string> input_letters(const pla_fuses& fuses, std::size_t term) {
    std::string letters;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const bool complement_intact = fuses[pla_complement_fuse(term, input)] == 0;
        const bool true_intact = fuses[pla_true_fuse(term, input)] == 0;
        if (complement_intact && true_intact) {
            return std::nullopt;
        }
        letters += true_intact ? 'H' : complement_intact ? 'L' : '-';
    }
    return letters;
}

bool feeds(const pla_fuses& fuses, std::size_t term, std::size_t output) {
    return fuses[pla_output_fuse(term, output)] == 0;
}

bool feeds_any(const pla_fuses& fuses, std::size_t term) {
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        if (feeds(fuses, term, output)) {
            return true;
        }
    }
    return false;
}

bool inverted(const pla_fuses& fuses, std::size_t output) {
    return fuses[pla_polarity_fuse(output)] == 1;
}

std::string product(const std::string& letters) {
    std::string text;
    for (std::size_t input = 0; input < letters.size(); ++input) {
        if (letters[input] == '-') {
            continue;
        }
        text += text.empty() ? "" : " & ";
        text += letters[input] == 'L' ? "/I" : "I";
        text += std::to_string(input);
    }
    return text.empty() ? "1" : text;
}

} // namespace

std::string equations_text(const pla_fuses& fuses) {
    std::string text;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        std::string name = inverted(fuses, output) ? "/F" : "F";
        name += std::to_string(output);
        text += name + " = ";
        bool first = true;
        for (std::size_t term = 0; term < pla_term_count; ++term) {
            const auto letters = input_letters(fuses, term);
            if (!letters || !feeds(fuses, term, output)) {
                continue;
            }
            if (!first) {
                text += std::string(name.size() + 1, ' ') + "| ";
            }
            text += product(*letters);
            text += "  # P";
            text += std::to_string(term);
            text += '\n';
            first = false;
        }
        if (first) {
            text += "0\n";
        }
    }
    text += equations_end_line;
    text += '\n';
    return text;
}

std::string program_table_text(const pla_fuses& fuses) {
    std::string text = "term  I0...........I15  F0....F7\n";
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        const auto letters = input_letters(fuses, term);
        if (!letters || !feeds_any(fuses, term)) {
            continue;
        }
        std::string number = "P";
        number += std::to_string(term);
        number.resize(6, ' ');
        text += number + *letters + "  ";
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            text += feeds(fuses, term, output) ? 'A' : '.';
        }
        text += '\n';
    }
    text += "polarity                ";
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        text += inverted(fuses, output) ? 'L' : 'H';
    }
    text += '\n';
    return text;
}

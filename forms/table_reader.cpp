// Reading plakit's program table back into a fuse map.
#include <charconv>
#include <vector>

#include "forms/equations.h"
#include "forms/text_form.h"
#include "text/text_lines.h"

namespace {

// A fault when `word` is not `size` characters of `allowed`.
std::optional<form_error> check_letters(const text_word& word, std::size_t size, std::string_view allowed,
                                        std::size_t line, const std::string& what) {
    for (std::size_t place = 0; place < word.text.size() && place < size; ++place) {
        if (allowed.find(word.text[place]) == std::string_view::npos) {
            return text_error(line, word.column + place, quoted_byte(word.text[place]) + " is not " + what);
        }
    }
    if (word.text.size() != size) {
        return text_error(line, word.column + std::min(word.text.size(), size),
                          what + ": " + std::to_string(size) + " are needed, not " + std::to_string(word.text.size()));
    }
    return std::nullopt;
}

// The term a row's first word names, P0 to P47.
std::optional<std::size_t> term_named(std::string_view word) {
    std::size_t term = 0;
    if (word.size() < 2 || word[0] != 'P') {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(word.data() + 1, word.data() + word.size(), term);
    if (error != std::errc{} || end != word.data() + word.size() || term >= pla_term_count) {
        return std::nullopt;
    }
    return term;
}

class table_parser {
public:
    explicit table_parser(pla_fuses& fuses) : fuses_(fuses) {
        fuses_.fill(0);
    }

    std::optional<form_error> line(std::size_t number, std::string_view text) {
        const std::vector<text_word> words = words_of(text);
        if (words.empty()) {
            return std::nullopt;
        }
        const text_word& first = words[0];
        if (!header_) {
            header_ = first.text == "term";
            return header_ ? std::nullopt
                           : std::optional{
                                 text_error(number, first.column, "the table's header (term  I0...) belongs first")};
        }
        if (polarity_) {
            return text_error(number, first.column, "a row after the polarity row");
        }
        const std::size_t wanted = first.text == "polarity" ? 2 : 3;
        if (words.size() > wanted) {
            return text_error(number, words[wanted].column,
                              quoted_byte(words[wanted].text[0]) + " after the end of the row");
        }
        const text_word none{text.size() + 1, {}};
        const text_word& second = words.size() > 1 ? words[1] : none;
        if (wanted == 2) {
            return polarity(number, second);
        }
        return term_row(number, first, second, words.size() > 2 ? words[2] : none);
    }

    [[nodiscard]] std::optional<form_error> complete() const {
        return polarity_ ? std::nullopt : std::optional{file_error(header_ ? "no polarity row" : "no table header")};
    }

private:
    std::optional<form_error> polarity(std::size_t number, const text_word& letters) {
        if (auto error = check_letters(letters, pla_output_count, "HL", number, "an output's polarity (H or L)")) {
            return error;
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses_[pla_polarity_fuse(output)] = letters.text[output] == 'L' ? 1 : 0;
        }
        polarity_ = true;
        return std::nullopt;
    }

    std::optional<form_error> term_row(std::size_t number, const text_word& name, const text_word& inputs,
                                       const text_word& outputs) {
        const auto term = term_named(name.text);
        if (!term) {
            return text_error(number, name.column, "not a term (P0 to P47) or the polarity row");
        }
        if (listed_[*term]) {
            return text_error(number, name.column, "P" + std::to_string(*term) + " a second time");
        }
        listed_[*term] = true;
        if (auto error = check_letters(inputs, pla_input_count, "HL-", number, "an input's H, L or -")) {
            return error;
        }
        if (auto error = check_letters(outputs, pla_output_count, "A.", number, "an output's A or .")) {
            return error;
        }
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            fuses_[pla_complement_fuse(*term, input)] = inputs.text[input] == 'L' ? 0 : 1;
            fuses_[pla_true_fuse(*term, input)] = inputs.text[input] == 'H' ? 0 : 1;
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses_[pla_output_fuse(*term, output)] = outputs.text[output] == 'A' ? 0 : 1;
        }
        return std::nullopt;
    }

    pla_fuses& fuses_;
    std::array<bool, pla_term_count> listed_{};
    bool header_ = false;
    bool polarity_ = false;
};

} // namespace

std::optional<form_error> read_program_table(std::string_view text, pla_fuses& fuses) {
    table_parser parser{fuses};
    if (auto error = read_text_form(
            text, [&parser](std::size_t number, std::string_view line) { return parser.line(number, line); })) {
        return error;
    }
    return parser.complete();
}

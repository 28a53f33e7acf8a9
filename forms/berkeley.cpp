#include "forms/berkeley.h"

#include <array>
#include <vector>

#include "forms/berkeley_lines.h"

namespace {

constexpr std::size_t row_symbols = pla_input_count + pla_output_count;

bool is_symbol(char symbol, bool input) {
    const std::string_view symbols = input ? "01-" : "01-~";
    return symbols.find(symbol) != std::string_view::npos;
}

// The reader's state from line to line.
class pla_reader {
public:
    explicit pla_reader(pla_fuses& fuses) : fuses_(fuses) {
        fuses_.fill(0);
    }

    // The keyword on line `number`.
    std::optional<form_error> keyword(std::size_t number, const std::vector<text_word>& words) {
        number_ = number;
        return keyword(words);
    }

    // The row on line `number`, its first symbol at `column`.
    std::optional<form_error> row(std::size_t number, std::string_view text, std::size_t column) {
        number_ = number;
        return row(text, column);
    }

    [[nodiscard]] bool has_sizes() const {
        return inputs_ && outputs_;
    }

    // A file cut short (or grown) has other than the rows its .p announces.
    [[nodiscard]] std::optional<form_error> rows_as_announced() const {
        if (!announced_ || announced_->rows == rows_) {
            return std::nullopt;
        }
        return text_error(announced_->line, announced_->column,
                          ".p announces " + std::to_string(announced_->rows) +
                              (announced_->rows == 1 ? " row" : " rows") + ", but the file has " +
                              std::to_string(rows_) + (rows_ < announced_->rows ? ": is it cut short?" : ""));
    }

private:
    [[nodiscard]] form_error fault(std::size_t column, std::string message) const {
        return text_error(number_, column, std::move(message));
    }

    std::optional<form_error> keyword(const std::vector<text_word>& words) {
        const text_word& key = words[0];
        if (key.text == ".ilb" || key.text == ".ob") {
            return std::nullopt;
        }
        if (auto error = pla_keyword_fault(number_, words, "not a keyword this reader knows")) {
            return error;
        }
        const std::string name = escaped_text(key.text);
        const text_word& value = words[1];
        const std::string given = name + " " + escaped_text(value.text);
        if (key.text == ".i" || key.text == ".o") {
            const bool inputs = key.text == ".i";
            const std::size_t wanted = inputs ? pla_input_count : pla_output_count;
            if (pla_count_of(value.text) != wanted) {
                return fault(value.column,
                             given + ": the 82S100 has " + std::to_string(wanted) + (inputs ? " inputs" : " outputs"));
            }
            (inputs ? inputs_ : outputs_) = true;
            return std::nullopt;
        }
        if (key.text == ".p") {
            const auto count = pla_count_of(value.text);
            if (!count) {
                return fault(value.column, given + ": not a count of terms");
            }
            if (announced_) {
                return fault(key.column, ".p a second time (first on line " + std::to_string(announced_->line) + ")");
            }
            announced_ = announcement{*count, number_, value.column};
            return std::nullopt;
        }
        if (key.text == ".type") {
            const bool known = value.text == "f" || value.text == "fr" || value.text == "fd" || value.text == "fdr";
            return known ? std::nullopt : std::optional{fault(value.column, given + ": not f, fr, fd or fdr")};
        }
        return phase(value);
    }

    std::optional<form_error> phase(const text_word& value) {
        if (phase_line_ != 0) {
            return fault(value.column, ".phase a second time (first on line " + std::to_string(phase_line_) + ")");
        }
        phase_line_ = number_;
        if (value.text.size() != pla_output_count) {
            return fault(value.column, ".phase needs one 0 or 1 per output, 8 in all");
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            const char symbol = value.text[output];
            if (symbol != '0' && symbol != '1') {
                return fault(value.column + output, quoted_byte(symbol) + " is not a phase (0 or 1)");
            }
            fuses_[pla_polarity_fuse(output)] = symbol == '0' ? 1 : 0;
        }
        return std::nullopt;
    }

    std::optional<form_error> row(std::string_view text, std::size_t column) {
        if (!has_sizes()) {
            return fault(column, "a term before .i 16 and .o 8");
        }
        ++rows_;
        // The row's symbols, wherever the blanks fall.
        std::array<char, row_symbols> symbols{};
        std::size_t count = 0;
        for (std::size_t place = 0; place < text.size(); ++place) {
            const char symbol = text[place];
            if (is_blank(symbol)) {
                continue;
            }
            if (count == row_symbols) {
                return fault(place + 1, "more than 16 inputs and 8 outputs in a row");
            }
            const bool input = count < pla_input_count;
            if (!is_symbol(symbol, input)) {
                return fault(place + 1, quoted_byte(symbol) + (input ? " is not an input's 0, 1 or -"
                                                                     : " is not an output's 1, 0, - or ~"));
            }
            symbols[count++] = symbol;
        }
        if (count != row_symbols) {
            return fault(text.size() + 1,
                         "a row needs 16 inputs and 8 outputs, this one has " + counted(count, "symbol"));
        }
        const auto outputs = std::string_view{symbols.data(), symbols.size()}.substr(pla_input_count);
        if (outputs.find('1') == std::string_view::npos) {
            return std::nullopt; // it says where outputs are 0 or free: the array holds only what makes them 1
        }
        if (term_ == pla_term_count) {
            return fault(column,
                         "a 49th term: the 82S100 has 48; plakit fit finds at most 48 for the same logic "
                         "from its truth table");
        }
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            fuses_[pla_complement_fuse(term_, input)] = symbols[input] == '0' ? 0 : 1;
            fuses_[pla_true_fuse(term_, input)] = symbols[input] == '1' ? 0 : 1;
        }
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            fuses_[pla_output_fuse(term_, output)] = outputs[output] == '1' ? 0 : 1;
        }
        ++term_;
        return std::nullopt;
    }

    // The row count that .p gives, and where. (cppcheck does not see members read through
    // the std::optional that holds them.)
    struct announcement {
        // cppcheck-suppress unusedStructMember
        std::size_t rows;
        // cppcheck-suppress unusedStructMember
        std::size_t line;
        // cppcheck-suppress unusedStructMember
        std::size_t column;
    };

    pla_fuses& fuses_;
    std::size_t number_ = 0;
    std::size_t term_ = 0;
    std::size_t rows_ = 0;
    std::optional<announcement> announced_;
    std::size_t phase_line_ = 0;
    bool inputs_ = false;
    bool outputs_ = false;
};

} // namespace

std::optional<form_error> read_berkeley_pla(std::string_view text, pla_fuses& fuses) {
    pla_reader reader{fuses};
    if (auto error = read_pla_lines(text, reader)) {
        return error;
    }
    if (!reader.has_sizes()) {
        return file_error("no .i 16 and .o 8: not a Berkeley PLA file of the 82S100");
    }
    return reader.rows_as_announced();
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

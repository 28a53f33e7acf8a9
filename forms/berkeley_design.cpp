// Berkeley PLA designs: any number of rows over at most 16 inputs and 8 outputs, read into
// the array's truth table and the words that matter.
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "forms/berkeley_lines.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "forms/word_set.h"

namespace {

enum class pla_type : std::uint8_t { f, fd, fr, fdr };

// What a row says of one output: ON, OFF, don't-care, or nothing (as its type reads it).
enum class output_mark : std::uint8_t { none, on, off, free };

// A row as read, in the file's columns (bit c of `inputs` is column c).
struct design_row {
    word_cube inputs{};
    std::array<char, pla_output_count> outputs{};
    std::size_t line = 0;
    std::size_t output_column = 0; // where the first output symbol is, from 1
    std::array<std::size_t, pla_output_count> columns{};
};

// A keyword's place, for messages about it later.
struct keyword_place {
    std::size_t line = 0;
    std::size_t column = 0;
};

// The array's inputs (I0-I15) or outputs (F0-F7).
struct pin_row {
    char prefix;
    std::size_t count;
};
constexpr pin_row input_pins{'I', pla_input_count};
constexpr pin_row output_pins{'F', pla_output_count};

// The pin `name` names exactly (I7, F0; not I07), if any.
std::optional<std::size_t> pin_named(std::string_view name, const pin_row& row) {
    if (name.size() < 2 || name[0] != row.prefix || (name.size() > 2 && name[1] == '0')) {
        return std::nullopt;
    }
    const auto number = pla_count_of(name.substr(1));
    return number && *number < row.count ? number : std::nullopt;
}

// The pin of each of `count` columns: by the names when they all name distinct pins, else
// in order.
std::vector<std::size_t> pins_of(const std::vector<std::string_view>& names, const pin_row& row, std::size_t count) {
    std::vector<std::size_t> pins(count);
    std::vector<bool> taken(row.count);
    bool by_name = names.size() == count;
    for (std::size_t column = 0; by_name && column < count; ++column) {
        const auto pin = pin_named(names[column], row);
        by_name = pin && !taken[*pin];
        if (by_name) {
            taken[*pin] = true;
            pins[column] = *pin;
        }
    }
    for (std::size_t column = 0; !by_name && column < count; ++column) {
        pins[column] = column;
    }
    return pins;
}

class design_reader {
public:
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

    // After the last line: the sizes given, the rows counted, no word both ON and OFF.
    std::optional<form_error> finish(design& read) {
        if (!inputs_ || !outputs_) {
            return file_error("no .i and .o: not a Berkeley PLA file");
        }
        if (count_ && *count_ != rows_.size()) {
            return text_error(count_place_.line, count_place_.column,
                              ".p " + std::to_string(*count_) + " announces " + counted(*count_, "row") +
                                  ", the file has " + std::to_string(rows_.size()) + " (is it cut short?)");
        }
        input_pins_ = pins_of(input_names_, input_pins, *inputs_);
        output_pins_ = pins_of(output_names_, output_pins, *outputs_);
        auto sets = std::make_unique<output_sets>();
        for (std::size_t index = 0; index < rows_.size(); ++index) {
            if (auto error = add_row(index, *sets)) {
                return error;
            }
        }
        fill_tables(*sets, read);
        read.placement = placement();
        return std::nullopt;
    }

private:
    // For each output pin: its ON, OFF and don't-care words as the rows give them.
    struct output_sets {
        std::array<word_set, pla_output_count> on;
        std::array<word_set, pla_output_count> off;
        std::array<word_set, pla_output_count> free;
    };

    [[nodiscard]] form_error fault(std::size_t column, std::string message) const {
        return text_error(number_, column, std::move(message));
    }

    // A keyword given twice is refused with the first one's place.
    std::optional<form_error> once(const text_word& key, std::optional<keyword_place>& first) {
        if (first) {
            return fault(key.column, std::string{key.text} + " a second time (the first at line " +
                                         std::to_string(first->line) + ")");
        }
        first = keyword_place{number_, key.column};
        return std::nullopt;
    }

    std::optional<form_error> keyword(const std::vector<text_word>& words) {
        const text_word& key = words[0];
        if (key.text == ".ilb" || key.text == ".ob") {
            return names(words);
        }
        if (auto error = pla_keyword_fault(number_, words, "not a keyword of a design plakit reads")) {
            return error;
        }
        const text_word& value = words[1];
        const std::string given = escaped_text(key.text) + " " + escaped_text(value.text);
        if (key.text == ".i" || key.text == ".o") {
            return size(key, value);
        }
        if (key.text == ".p") {
            if (auto error = once(key, count_place_first_)) {
                return error;
            }
            count_ = pla_count_of(value.text);
            count_place_ = {number_, value.column};
            return count_ ? std::nullopt : std::optional{fault(value.column, given + ": not a count of rows")};
        }
        if (key.text == ".type") {
            return type(key, value);
        }
        return phase(key, value);
    }

    // `.i` or `.o`: the count of input or output columns.
    std::optional<form_error> size(const text_word& key, const text_word& value) {
        const bool inputs = key.text == ".i";
        if (auto error = once(key, inputs ? inputs_place_ : outputs_place_)) {
            return error;
        }
        if (!rows_.empty()) {
            return fault(key.column, std::string{key.text} + " after a row");
        }
        const std::size_t most = inputs ? pla_input_count : pla_output_count;
        const auto count = pla_count_of(value.text);
        if (!count || *count > most || (!inputs && *count == 0)) {
            return fault(value.column, std::string{key.text} + " " + escaped_text(value.text) + ": the 82S100 has " +
                                           (inputs ? "1 to 16 inputs" : "1 to 8 outputs") +
                                           " to hold a design's columns");
        }
        (inputs ? inputs_ : outputs_) = *count;
        return std::nullopt;
    }

    std::optional<form_error> type(const text_word& key, const text_word& value) {
        if (auto error = once(key, type_place_)) {
            return error;
        }
        if (!rows_.empty()) {
            return fault(key.column, ".type after a row: it says how the rows read");
        }
        constexpr std::array<std::pair<std::string_view, pla_type>, 4> types{
            {{"f", pla_type::f}, {"fd", pla_type::fd}, {"fr", pla_type::fr}, {"fdr", pla_type::fdr}}};
        const auto* found =
            std::find_if(types.begin(), types.end(), [&value](const auto& named) { return named.first == value.text; });
        if (found == types.end()) {
            return fault(value.column, ".type " + escaped_text(value.text) + ": not f, fd, fr or fdr");
        }
        type_ = found->second;
        return std::nullopt;
    }

    std::optional<form_error> phase(const text_word& key, const text_word& value) {
        if (auto error = once(key, phase_place_)) {
            return error;
        }
        if (!outputs_) {
            return fault(key.column, ".phase before .o");
        }
        if (value.text.size() != *outputs_) {
            return fault(value.column, ".phase needs one 0 or 1 per output, " + std::to_string(*outputs_) + " in all");
        }
        for (std::size_t output = 0; output < value.text.size(); ++output) {
            const char symbol = value.text[output];
            if (symbol != '0' && symbol != '1') {
                return fault(value.column + output, quoted_byte(symbol) + " is not a phase (0 or 1)");
            }
            complemented_[output] = symbol == '0';
        }
        return std::nullopt;
    }

    std::optional<form_error> names(const std::vector<text_word>& words) {
        const text_word& key = words[0];
        const bool inputs = key.text == ".ilb";
        if (auto error = once(key, inputs ? input_names_place_ : output_names_place_)) {
            return error;
        }
        const std::optional<std::size_t>& count = inputs ? inputs_ : outputs_;
        if (!count) {
            return fault(key.column, std::string{key.text} + (inputs ? " before .i" : " before .o"));
        }
        if (words.size() - 1 != *count) {
            return fault(key.column, std::string{key.text} + " names " +
                                         counted(words.size() - 1, inputs ? "input" : "output") +
                                         (inputs ? ", .i has " : ", .o has ") + std::to_string(*count));
        }
        auto& names = inputs ? input_names_ : output_names_;
        for (std::size_t index = 1; index < words.size(); ++index) {
            for (std::size_t earlier = 1; earlier < index; ++earlier) {
                if (words[earlier].text == words[index].text) {
                    return fault(words[index].column, "the name " + escaped_name(words[index].text) + " a second time");
                }
            }
            names.push_back(words[index].text);
        }
        return std::nullopt;
    }

    // The meaning of an output symbol in this file's type; none when it is no symbol.
    [[nodiscard]] std::optional<output_mark> mark_of(char symbol) const {
        const bool has_off = type_ == pla_type::fr || type_ == pla_type::fdr;
        const bool has_free = type_ == pla_type::fd || type_ == pla_type::fdr;
        switch (symbol) {
        case '1':
        case '4':
            return output_mark::on;
        case '0':
            return has_off ? output_mark::off : output_mark::none;
        case '-':
        case '2':
            return has_free ? output_mark::free : output_mark::none;
        case '~':
        case '3':
            return output_mark::none;
        default:
            return std::nullopt;
        }
    }

    std::optional<form_error> row(std::string_view text, std::size_t column) {
        if (!inputs_ || !outputs_) {
            return fault(column, "a row before .i and .o");
        }
        const std::size_t wanted = *inputs_ + *outputs_;
        design_row read;
        read.line = number_;
        std::size_t count = 0;
        for (std::size_t place = 0; place < text.size(); ++place) {
            const char symbol = text[place];
            if (is_blank(symbol)) {
                continue;
            }
            if (count == wanted) {
                return fault(place + 1, "more than " + counted(*inputs_, "input") + " and " +
                                            counted(*outputs_, "output") + " in a row");
            }
            if (count < *inputs_) {
                if (symbol == '0' || symbol == '1') {
                    read.inputs.care = static_cast<std::uint16_t>(read.inputs.care | (1U << count));
                    read.inputs.levels =
                        static_cast<std::uint16_t>(read.inputs.levels | ((symbol == '1' ? 1U : 0U) << count));
                } else if (symbol != '-' && symbol != '2') {
                    return fault(place + 1, quoted_byte(symbol) + " is not an input's 0, 1 or -");
                }
            } else {
                if (!mark_of(symbol)) {
                    return fault(place + 1, quoted_byte(symbol) + " is not an output's 1, 0, - or ~");
                }
                read.outputs[count - *inputs_] = symbol;
                read.columns[count - *inputs_] = place + 1;
            }
            ++count;
        }
        if (count != wanted) {
            return fault(text.size() + 1, "a row needs " + counted(*inputs_, "input") + " and " +
                                              counted(*outputs_, "output") + ", this one has " +
                                              counted(count, "symbol"));
        }
        rows_.push_back(read);
        return std::nullopt;
    }

    // The row's cube over the array's inputs.
    [[nodiscard]] word_cube pin_cube(const design_row& read) const {
        word_cube cube{};
        for (std::size_t column = 0; column < *inputs_; ++column) {
            const auto pin = static_cast<std::uint16_t>(1U << input_pins_[column]);
            if (((read.inputs.care >> column) & 1U) != 0) {
                cube.care = static_cast<std::uint16_t>(cube.care | pin);
                if (((read.inputs.levels >> column) & 1U) != 0) {
                    cube.levels = static_cast<std::uint16_t>(cube.levels | pin);
                }
            }
        }
        return cube;
    }

    std::optional<form_error> add_row(std::size_t index, output_sets& sets) const {
        const design_row& read = rows_[index];
        const word_cube cube = pin_cube(read);
        for (std::size_t column = 0; column < *outputs_; ++column) {
            const std::size_t pin = output_pins_[column];
            const output_mark mark = *mark_of(read.outputs[column]);
            if (mark == output_mark::none) {
                continue;
            }
            if (mark == output_mark::free) {
                sets.free[pin].add(cube);
                continue;
            }
            const bool high = mark == output_mark::on;
            if ((high ? sets.off : sets.on)[pin].meets(cube)) {
                return contradiction({index, column}, cube);
            }
            (high ? sets.on : sets.off)[pin].add(cube);
        }
        return std::nullopt;
    }

    // A row's output symbol: its row (from 0) and its output column (from 0).
    struct output_symbol {
        std::size_t row;
        std::size_t column;
    };

    // The row of `symbol` makes a word of its output both ON and OFF: the first earlier
    // row that says the other.
    [[nodiscard]] form_error contradiction(const output_symbol& symbol, const word_cube& cube) const {
        const design_row& read = rows_[symbol.row];
        const std::size_t column = symbol.column;
        const bool high = *mark_of(read.outputs[column]) == output_mark::on;
        for (std::size_t earlier = 0; earlier < symbol.row; ++earlier) {
            const design_row& other = rows_[earlier];
            const word_cube other_cube = pin_cube(other);
            if (*mark_of(other.outputs[column]) != (high ? output_mark::off : output_mark::on) ||
                !cubes_meet(cube, other_cube)) {
                continue;
            }
            return text_error(read.line, read.columns[column],
                              output_name(column) + " is " + (high ? "1" : "0") + " here and " + (high ? "0" : "1") +
                                  " at line " + std::to_string(other.line) + ", both at input word " +
                                  hex_word(lowest_common_word(cube, other_cube)));
        }
        return text_error(read.line, read.columns[column], output_name(column) + " is both 1 and 0 here");
    }

    [[nodiscard]] std::string output_name(std::size_t column) const {
        std::string pin = "F" + std::to_string(output_pins_[column]);
        if (output_names_.empty() || output_names_[column] == pin) {
            return pin;
        }
        return escaped_name(output_names_[column]) + " (" + pin + ")";
    }

    void fill_tables(const output_sets& sets, design& read) const {
        read.table.assign(std::size_t{1} << pla_input_count, 0);
        read.care.assign(std::size_t{1} << pla_input_count, 0);
        const bool has_off = type_ == pla_type::fr || type_ == pla_type::fdr;
        for (std::size_t column = 0; column < *outputs_; ++column) {
            const std::size_t pin = output_pins_[column];
            const auto bit = static_cast<std::uint8_t>(1U << pin);
            for (std::size_t word = 0; word < read.table.size(); ++word) {
                const bool high = sets.on[pin].has(word);
                const bool cared = !sets.free[pin].has(word) && (!has_off || high || sets.off[pin].has(word));
                if (!cared) {
                    continue;
                }
                read.care[word] = static_cast<std::uint8_t>(read.care[word] | bit);
                if (high != complemented_[column]) {
                    read.table[word] = static_cast<std::uint8_t>(read.table[word] | bit);
                }
            }
        }
    }

    // `NAME is PIN` for each named column that is not its pin already; `columns N-M are
    // PIN-PIN` for columns without names, counted across the row.
    [[nodiscard]] std::string placement() const {
        const bool pins_themselves = input_names_.empty() && output_names_.empty() && *inputs_ == pla_input_count &&
                                     *outputs_ == pla_output_count;
        if (pins_themselves) {
            return {};
        }
        std::string text;
        const auto place = [&text](const std::vector<std::string_view>& names, const std::vector<std::size_t>& pins,
                                   const pin_row& row, std::size_t first_column) {
            const char prefix = row.prefix;
            if (names.empty()) {
                const std::string first = std::to_string(first_column + 1);
                const std::string last = std::to_string(first_column + pins.size());
                text += (text.empty() ? "" : ", ") + (pins.size() == 1
                                                          ? "column " + first + " is " + prefix + "0"
                                                          : "columns " + first + "-" + last + " are " + prefix + "0-" +
                                                                prefix + std::to_string(pins.size() - 1));
                return;
            }
            for (std::size_t column = 0; column < pins.size(); ++column) {
                const std::string pin = prefix + std::to_string(pins[column]);
                if (names[column] != pin) {
                    text += (text.empty() ? "" : ", ") + escaped_name(names[column]) + " is " + pin;
                }
            }
        };
        place(input_names_, input_pins_, input_pins, 0);
        place(output_names_, output_pins_, output_pins, *inputs_);
        return text;
    }

    std::size_t number_ = 0;
    std::optional<std::size_t> inputs_;
    std::optional<std::size_t> outputs_;
    std::optional<std::size_t> count_;
    keyword_place count_place_;
    std::optional<keyword_place> inputs_place_;
    std::optional<keyword_place> outputs_place_;
    std::optional<keyword_place> count_place_first_;
    std::optional<keyword_place> type_place_;
    std::optional<keyword_place> phase_place_;
    std::optional<keyword_place> input_names_place_;
    std::optional<keyword_place> output_names_place_;
    pla_type type_ = pla_type::fd;
    std::array<bool, pla_output_count> complemented_{};
    std::vector<std::string_view> input_names_;
    std::vector<std::string_view> output_names_;
    std::vector<std::size_t> input_pins_;
    std::vector<std::size_t> output_pins_;
    std::vector<design_row> rows_;
};

} // namespace

std::optional<form_error> read_berkeley_design(std::string_view text, design& read) {
    design_reader reader;
    if (auto error = read_pla_lines(text, reader)) {
        return error;
    }
    return reader.finish(read);
}

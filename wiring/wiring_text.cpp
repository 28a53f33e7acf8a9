#include "wiring/wiring_text.h"

#include <array>
#include <cstdint>
#include <utility>

#include "text/text_lines.h"

namespace {

// The lines of one kind: their letter and how many there are.
struct line_kind {
    char letter;
    std::size_t count;
};
constexpr line_kind address_lines{'A', eprom_address_line_count};
constexpr line_kind data_lines{'D', eprom_data_line_count};
constexpr line_kind inputs{'I', eprom_address_line_count};
constexpr line_kind outputs{'F', eprom_data_line_count};

// A name like A15: the letter and a number below the count, written without leading zeros.
std::optional<std::uint8_t> line_number(std::string_view word, const line_kind& kind) {
    if (word.size() < 2 || word.size() > 3 || word[0] != kind.letter || (word[1] == '0' && word.size() > 2)) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (const char digit : word.substr(1)) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(digit - '0');
    }
    if (number >= kind.count) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(number);
}

// A word of a line and the column it starts at.
struct word_at {
    std::string_view text;
    std::size_t column;
};

// The first three words of a line, up to a # or the line's end; `count` says how many.
std::array<word_at, 3> first_words(std::string_view line, std::size_t& count) {
    std::array<word_at, 3> words{};
    count = 0;
    std::size_t position = 0;
    while (count < words.size()) {
        while (position < line.size() && is_blank(line[position])) {
            ++position;
        }
        if (position == line.size() || line[position] == '#') {
            break;
        }
        const std::size_t start = position;
        while (position < line.size() && !is_blank(line[position]) && line[position] != '#') {
            ++position;
        }
        words[count++] = {line.substr(start, position - start), start + 1};
    }
    return words;
}

std::string pin_name(char letter, unsigned number, bool inverted) {
    return std::string{inverted ? "/" : ""} + letter + std::to_string(number);
}

// A file read line by line into a wiring.
class wiring_reader {
public:
    explicit wiring_reader(eprom_wiring& wiring) : wiring_(wiring) {
        wiring_ = {};
    }

    // Reads line `number` of the file.
    std::optional<wiring_text_error> read_line(std::string_view line, std::size_t number) {
        std::size_t count = 0;
        const auto words = first_words(line, count);
        if (count == 0) {
            return std::nullopt;
        }
        const auto fault = [&](std::size_t column, std::string message) {
            return wiring_text_error{number, column, std::move(message)};
        };
        const word_at& name = words[0];
        const auto address_line = line_number(name.text, address_lines);
        const auto data_line = line_number(name.text, data_lines);
        if (!address_line && !data_line) {
            return fault(name.column, quoted_text(name.text) + " is not an EPROM line (A0-A15 or D0-D7)");
        }
        const bool is_address = address_line.has_value();
        const std::size_t line_slot = is_address ? *address_line : eprom_address_line_count + *data_line;
        if (line_named_on_[line_slot] != 0) {
            return fault(name.column, std::string{name.text} + " is named twice (first on line " +
                                          std::to_string(line_named_on_[line_slot]) + ")");
        }
        const line_kind& pins = is_address ? inputs : outputs;
        const std::string expected =
            is_address ? "an array input (I0-I15, /I0-/I15 inverted)" : "an array output (F0-F7, /F0-/F7 inverted)";
        if (count == 1) {
            return fault(name.column + name.text.size(), std::string{name.text} + " has no pin: expected " + expected);
        }
        const bool inverted = words[1].text.starts_with('/');
        const auto pin = line_number(words[1].text.substr(inverted ? 1 : 0), pins);
        if (!pin) {
            return fault(words[1].column, quoted_text(words[1].text) + " is not " + expected);
        }
        const std::size_t pin_slot = is_address ? *pin : eprom_address_line_count + *pin;
        if (pin_named_on_[pin_slot] != 0) {
            return fault(words[1].column, pin_name(pins.letter, *pin, false) + " is used twice (first on line " +
                                              std::to_string(pin_named_on_[pin_slot]) + ")");
        }
        if (count == 3) {
            return fault(words[2].column, quoted_text(words[2].text) + " after the pin: one line and one pin a line");
        }
        line_named_on_[line_slot] = number;
        pin_named_on_[pin_slot] = number;
        const unsigned inverted_bit = inverted ? 1U : 0U;
        if (is_address) {
            wiring_.address_line_input[*address_line] = *pin;
            wiring_.inverted_address_lines |= static_cast<std::uint16_t>(inverted_bit << *address_line);
        } else {
            wiring_.output_data_line[*pin] = *data_line;
            wiring_.inverted_data_lines |= static_cast<std::uint8_t>(inverted_bit << *data_line);
        }
        return std::nullopt;
    }

    // The first EPROM line not named, as a fault at the file's end, where it would be added.
    [[nodiscard]] std::optional<wiring_text_error> missing_line(std::size_t end_line, std::size_t end_column) const {
        for (std::size_t slot = 0; slot < line_named_on_.size(); ++slot) {
            if (line_named_on_[slot] == 0) {
                const bool is_address = slot < eprom_address_line_count;
                const auto number = static_cast<unsigned>(is_address ? slot : slot - eprom_address_line_count);
                return wiring_text_error{end_line, end_column,
                                         pin_name(is_address ? 'A' : 'D', number, false) +
                                             " is not named: each of A0-A15 and D0-D7 needs a line"};
            }
        }
        return std::nullopt;
    }

private:
    eprom_wiring& wiring_;
    // The file line on which each EPROM line (A0-A15, then D0-D7) and each pin (I0-I15,
    // then F0-F7) was named; 0 while it is not.
    std::array<std::size_t, eprom_address_line_count + eprom_data_line_count> line_named_on_{};
    std::array<std::size_t, eprom_address_line_count + eprom_data_line_count> pin_named_on_{};
};

} // namespace

std::optional<wiring_text_error> read_wiring_text(std::string_view text, eprom_wiring& wiring) {
    if (is_utf16_text(text)) {
        return wiring_text_error{1, 1, std::string{utf16_text_message}};
    }
    wiring_reader reader(wiring);
    text_lines lines{without_utf8_bom(text)};
    std::string_view line;
    std::size_t end_line = 1;
    std::size_t end_column = 1;
    while (lines.read(line)) {
        end_line = lines.ended() ? lines.number() + 1 : lines.number();
        end_column = lines.ended() ? 1 : line.size() + 1;
        if (auto error = reader.read_line(line, lines.number())) {
            return error;
        }
    }
    return reader.missing_line(end_line, end_column);
}

std::string write_wiring_text(const eprom_wiring& wiring) {
    const auto address_pin = [&](unsigned line) {
        return pin_name('I', wiring.address_line_input[line], ((wiring.inverted_address_lines >> line) & 1U) != 0);
    };
    const auto output_pin = [&](unsigned output) {
        const unsigned data = wiring.output_data_line[output];
        return pin_name('D', data, false);
    };
    const auto output_inverted = [&](unsigned output) {
        return ((wiring.inverted_data_lines >> wiring.output_data_line[output]) & 1U) != 0;
    };
    std::string text =
        "# The wiring between the EPROM and the array's socket, one line per EPROM line:\n"
        "#   An Ik   address line An drives array input Ik\n"
        "#   Dm Fk   data line Dm carries array output Fk\n"
        "# A / before the pin (A3 /I2, D7 /F7) says the line passes through an inverter.\n"
        "# Each of A0-A15 and D0-D7 is named once, each of I0-I15 and F0-F7 used once;\n"
        "# # starts a comment. Check a file with: plakit wiring --wiring FILE\n"
        "#\n"
        "# | EPROM address line |";
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        text += " A" + std::to_string(line) + " |";
    }
    text += "\n# |---|";
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        text += "---|";
    }
    text += "\n# | **array input** |";
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        text += " " + address_pin(line) + " |";
    }
    text += "\n#\n# | array output |";
    for (unsigned output = 0; output < eprom_data_line_count; ++output) {
        text += std::string{output_inverted(output) ? " /F" : " F"} + std::to_string(output) + " |";
    }
    text += "\n# |---|";
    for (unsigned output = 0; output < eprom_data_line_count; ++output) {
        text += "---|";
    }
    text += "\n# | **EPROM data line** |";
    for (unsigned output = 0; output < eprom_data_line_count; ++output) {
        text += " " + output_pin(output) + " |";
    }
    text += "\n\n";
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        text += "A" + std::to_string(line) + " " + address_pin(line) + "\n";
    }
    const auto output_of_data = wiring_detail::inverse(wiring.output_data_line);
    for (unsigned data = 0; data < eprom_data_line_count; ++data) {
        text += "D" + std::to_string(data) + " " +
                pin_name('F', output_of_data[data], ((wiring.inverted_data_lines >> data) & 1U) != 0) + "\n";
    }
    return text;
}

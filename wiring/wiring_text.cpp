#include "wiring/wiring_text.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

// A name like A15: the letter and a number below `count`, written without leading zeros.
std::optional<std::uint8_t> line_number(std::string_view word, char letter, std::size_t count) {
    if (word.size() < 2 || word.size() > 3 || word[0] != letter) {
        return std::nullopt;
    }
    if (word[1] == '0' && word.size() > 2) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (const char digit : word.substr(1)) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(digit - '0');
    }
    if (number >= count) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(number);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The words of one line, each with the column it starts at, up to a # or the line's end.
struct word_at {
    std::string_view text;
    std::size_t column;
};

std::array<word_at, 3> first_words(std::string_view line, std::size_t& count) {
    std::array<word_at, 3> words{};
    count = 0;
    std::size_t at = 0;
    while (count < words.size()) {
        while (at < line.size() && is_blank(line[at])) {
            ++at;
        }
        if (at == line.size() || line[at] == '#') {
            break;
        }
        const std::size_t start = at;
        while (at < line.size() && !is_blank(line[at]) && line[at] != '#') {
            ++at;
        }
        words[count++] = {line.substr(start, at - start), start + 1};
    }
    return words;
}

std::string quoted(std::string_view word) {
    return "'" + std::string{word} + "'";
}

std::string pin_name(char letter, unsigned number, bool inverted) {
    return std::string{inverted ? "/" : ""} + letter + std::to_string(number);
}

} // namespace

std::optional<wiring_text_error> read_wiring_text(std::string_view text, eprom_wiring& wiring) {
    wiring = {};
    // The file line on which each EPROM line (A0-A15, then D0-D7) and each pin (I0-I15,
    // then F0-F7) was named; 0 while it is not.
    std::array<std::size_t, eprom_address_line_count + eprom_data_line_count> line_named_on{};
    std::array<std::size_t, eprom_address_line_count + eprom_data_line_count> pin_named_on{};
    std::size_t line_number_in_file = 0;
    std::size_t end_column = 1;
    while (!text.empty()) {
        ++line_number_in_file;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        end_column = end == std::string_view::npos ? line.size() + 1 : 1;
        const auto fault = [&](std::size_t column, std::string message) {
            return wiring_text_error{line_number_in_file, column, std::move(message)};
        };
        std::size_t count = 0;
        const auto words = first_words(line, count);
        if (count == 0) {
            continue;
        }
        const auto address_line = line_number(words[0].text, 'A', eprom_address_line_count);
        const auto data_line = line_number(words[0].text, 'D', eprom_data_line_count);
        if (!address_line && !data_line) {
            return fault(words[0].column, quoted(words[0].text) + " is not an EPROM line (A0-A15 or D0-D7)");
        }
        const bool is_address = address_line.has_value();
        const std::size_t line_slot = is_address ? *address_line : eprom_address_line_count + *data_line;
        if (line_named_on[line_slot] != 0) {
            return fault(words[0].column, std::string{words[0].text} + " is named twice (first on line " +
                                              std::to_string(line_named_on[line_slot]) + ")");
        }
        const char pin_letter = is_address ? 'I' : 'F';
        const std::string pins =
            is_address ? "an array input (I0-I15, /I0-/I15 inverted)" : "an array output (F0-F7, /F0-/F7 inverted)";
        if (count == 1) {
            return fault(words[0].column + words[0].text.size(),
                         std::string{words[0].text} + " has no pin: expected " + pins);
        }
        const bool inverted = words[1].text.starts_with('/');
        const auto pin = line_number(words[1].text.substr(inverted ? 1 : 0), pin_letter,
                                     is_address ? eprom_address_line_count : eprom_data_line_count);
        if (!pin) {
            return fault(words[1].column, quoted(words[1].text) + " is not " + pins);
        }
        const std::size_t pin_slot = is_address ? *pin : eprom_address_line_count + *pin;
        if (pin_named_on[pin_slot] != 0) {
            return fault(words[1].column, pin_name(pin_letter, *pin, false) + " is used twice (first on line " +
                                              std::to_string(pin_named_on[pin_slot]) + ")");
        }
        if (count == 3) {
            return fault(words[2].column, quoted(words[2].text) + " after the pin: one line and one pin a line");
        }
        line_named_on[line_slot] = line_number_in_file;
        pin_named_on[pin_slot] = line_number_in_file;
        if (is_address) {
            wiring.address_line_input[*address_line] = *pin;
            wiring.inverted_address_lines |= static_cast<std::uint16_t>((inverted ? 1U : 0U) << *address_line);
        } else {
            wiring.output_data_line[*pin] = *data_line;
            wiring.inverted_data_lines |= static_cast<std::uint8_t>((inverted ? 1U : 0U) << *data_line);
        }
    }
    // A line left out is missed where the file ends, where it would be added.
    const std::size_t end_line = end_column == 1 ? line_number_in_file + 1 : line_number_in_file;
    for (std::size_t slot = 0; slot < line_named_on.size(); ++slot) {
        if (line_named_on[slot] == 0) {
            const bool is_address = slot < eprom_address_line_count;
            const unsigned number = static_cast<unsigned>(is_address ? slot : slot - eprom_address_line_count);
            return wiring_text_error{end_line, end_column,
                                     pin_name(is_address ? 'A' : 'D', number, false) +
                                         " is not named: each of A0-A15 and D0-D7 needs a line"};
        }
    }
    return std::nullopt;
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

// Reading plakit's equations back into a fuse map.
#include <charconv>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "forms/equations.h"
#include "forms/text_lines.h"

namespace {

// The inputs a product needs high and those it needs low; bit j is Ij.
struct product_literals {
    std::uint16_t high = 0;
    std::uint16_t low = 0;
    auto operator<=>(const product_literals&) const = default;
};

struct product_entry {
    std::size_t output = 0;
    product_literals literals;
    std::optional<std::size_t> term;
    std::size_t line = 0;
    std::size_t column = 0;
};

// A cursor over one line that knows its column.
struct cursor {
    std::string_view line;
    std::size_t at = 0;

    void skip_spaces() {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
            ++at;
        }
    }
    bool done() const {
        return at >= line.size();
    }
    char peek() const {
        return done() ? '\0' : line[at];
    }
    std::size_t column() const {
        return at + 1;
    }
    bool take(char c) {
        if (peek() != c) {
            return false;
        }
        ++at;
        return true;
    }
    std::optional<std::size_t> number(std::size_t limit) {
        std::size_t value = 0;
        const char* first = line.data() + at;
        const auto [end, error] = std::from_chars(first, line.data() + line.size(), value);
        if (error != std::errc{} || value >= limit) {
            return std::nullopt;
        }
        at += static_cast<std::size_t>(end - first);
        return value;
    }
};

std::string what_is_at(const cursor& place) {
    return place.done() ? "the end of the line" : quoted_byte(place.peek());
}

std::string product_text(const product_literals& literals) {
    std::string text;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const unsigned bit = 1U << input;
        if (((literals.high | literals.low) & bit) != 0) {
            text += text.empty() ? "" : " & ";
            text += (literals.low & bit) != 0 ? "/I" : "I";
            text += std::to_string(input);
        }
    }
    return text.empty() ? "1" : text;
}

// Reads a product and its optional `# Pt` up to the end of the line.
std::optional<form_error> read_product(cursor& place, std::size_t line, product_entry& entry) {
    const auto fault = [&place, line](std::string message) {
        return text_error(line, place.column(), std::move(message));
    };
    place.skip_spaces();
    entry.line = line;
    entry.column = place.column();
    if (place.take('1')) {
        place.skip_spaces();
    } else {
        while (true) {
            const bool low = place.take('/');
            if (!place.take('I')) {
                return fault(what_is_at(place) + " where an input (Ij or /Ij) belongs");
            }
            const std::size_t column = place.column();
            const auto input = place.number(pla_input_count);
            if (!input) {
                return text_error(line, column, "not an input number (0 to 15)");
            }
            const auto bit = static_cast<std::uint16_t>(1U << *input);
            if (((entry.literals.high | entry.literals.low) & bit) != 0) {
                return text_error(line, column - 1, "I" + std::to_string(*input) + " twice in one product");
            }
            (low ? entry.literals.low : entry.literals.high) |= bit;
            place.skip_spaces();
            if (!place.take('&')) {
                break;
            }
            place.skip_spaces();
        }
    }
    if (place.take('#')) {
        place.skip_spaces();
        if (!place.take('P')) {
            return fault(what_is_at(place) + " where a term (Pt) belongs after #");
        }
        const std::size_t column = place.column();
        entry.term = place.number(pla_term_count);
        if (!entry.term) {
            return text_error(line, column, "not a term number (0 to 47)");
        }
        place.skip_spaces();
    }
    if (!place.done()) {
        return fault(what_is_at(place) + " after a product, where & or # or the end of the line belongs");
    }
    return std::nullopt;
}

} // namespace

std::optional<form_error> read_equations(std::string_view text, pla_fuses& fuses) {
    std::vector<product_entry> entries;
    std::array<bool, pla_output_count> seen{};
    std::array<bool, pla_output_count> inverted{};
    std::optional<std::size_t> output; // the one whose products are being read
    bool sum_closed = false;           // after `= 0`, no product may follow
    text_lines lines{text};
    std::string_view line;
    while (lines.read(line)) {
        cursor place{line};
        place.skip_spaces();
        if (place.done()) {
            continue;
        }
        const auto fault = [&place, &lines](std::string message) {
            return text_error(lines.number, place.column(), std::move(message));
        };
        if (place.take('|')) {
            if (!output || sum_closed) {
                return text_error(lines.number, place.column() - 1,
                                  output ? "a product after a sum of 0" : "a product before any output");
            }
        } else {
            const bool invert = place.take('/');
            if (!place.take('F')) {
                return fault(what_is_at(place) + " where an output (Fk = or /Fk =) or a continuation (|) belongs");
            }
            const std::size_t column = place.column();
            output = place.number(pla_output_count);
            if (!output) {
                return text_error(lines.number, column, "not an output number (0 to 7)");
            }
            if (seen[*output]) {
                return text_error(lines.number, column - 1, "F" + std::to_string(*output) + " a second time");
            }
            seen[*output] = true;
            inverted[*output] = invert;
            place.skip_spaces();
            if (!place.take('=')) {
                return fault(what_is_at(place) + " where = belongs");
            }
            place.skip_spaces();
            sum_closed = false;
            if (place.peek() == '0') {
                place.take('0');
                place.skip_spaces();
                if (!place.done()) {
                    return fault(what_is_at(place) + " after a sum of 0");
                }
                sum_closed = true;
                continue;
            }
        }
        product_entry entry;
        entry.output = *output;
        if (auto error = read_product(place, lines.number, entry)) {
            return error;
        }
        entries.push_back(entry);
    }
    for (std::size_t k = 0; k < pla_output_count; ++k) {
        if (!seen[k]) {
            return file_error("no equation for F" + std::to_string(k));
        }
    }

    // Each term's product, from the products that name it, then the others.
    std::array<std::optional<product_literals>, pla_term_count> products{};
    std::array<std::uint8_t, pla_term_count> outputs{};
    for (const product_entry& entry : entries) {
        if (!entry.term) {
            continue;
        }
        auto& product = products[*entry.term];
        if (product && *product != entry.literals) {
            return text_error(entry.line, entry.column,
                              "P" + std::to_string(*entry.term) + " is " + product_text(*product) + " elsewhere, not " +
                                  product_text(entry.literals));
        }
        product = entry.literals;
        outputs[*entry.term] |= static_cast<std::uint8_t>(1U << entry.output);
    }
    std::map<product_literals, std::size_t> unnamed;
    std::size_t free_term = 0;
    for (const product_entry& entry : entries) {
        if (entry.term) {
            continue;
        }
        auto found = unnamed.find(entry.literals);
        if (found == unnamed.end()) {
            while (free_term < pla_term_count && products[free_term]) {
                ++free_term;
            }
            if (free_term == pla_term_count) {
                return text_error(entry.line, entry.column, "no term left for this product: the 82S100 has 48");
            }
            products[free_term] = entry.literals;
            found = unnamed.emplace(entry.literals, free_term).first;
        }
        outputs[found->second] |= static_cast<std::uint8_t>(1U << entry.output);
    }

    fuses.fill(0);
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        if (!products[term]) {
            continue;
        }
        for (std::size_t input = 0; input < pla_input_count; ++input) {
            fuses[pla_complement_fuse(term, input)] = ((products[term]->low >> input) & 1U) != 0 ? 0 : 1;
            fuses[pla_true_fuse(term, input)] = ((products[term]->high >> input) & 1U) != 0 ? 0 : 1;
        }
        for (std::size_t k = 0; k < pla_output_count; ++k) {
            fuses[pla_output_fuse(term, k)] = ((outputs[term] >> k) & 1U) != 0 ? 0 : 1;
        }
    }
    for (std::size_t k = 0; k < pla_output_count; ++k) {
        fuses[pla_polarity_fuse(k)] = inverted[k] ? 1 : 0;
    }
    return std::nullopt;
}

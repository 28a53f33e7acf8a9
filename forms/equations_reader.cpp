// Reading plakit's equations back into a fuse map.
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "forms/equations.h"
#include "forms/text_form.h"
#include "text/text_lines.h"

namespace {

// Whether `line` is the end line, equations_end_line: `#` and `end`, blanks around them or
// not.
bool is_end_line(std::string_view line) {
    const auto trimmed = [](std::string_view text) {
        while (!text.empty() && is_blank(text.front())) {
            text.remove_prefix(1);
        }
        while (!text.empty() && is_blank(text.back())) {
            text.remove_suffix(1);
        }
        return text;
    };
    constexpr std::string_view end_word = "end";
    line = trimmed(line);
    return line.starts_with('#') && trimmed(line.substr(1)) == end_word;
}

// The inputs a product needs high (bits 0-15) and those it needs low (bits 16-31); bit j
// of each half is Ij.
using product_literals = std::uint32_t;
constexpr unsigned low_shift = 16;

struct product_entry {
    std::size_t output = 0;
    product_literals literals = 0;
    std::optional<std::size_t> term;
    std::size_t line = 0;
    std::size_t column = 0;
};

// A cursor over one line that knows its column.
class cursor {
public:
    explicit cursor(std::string_view line) : line_(line) {}

    void skip_blanks() {
        while (!done() && is_blank(line_[next_])) {
            ++next_;
        }
    }
    [[nodiscard]] bool done() const {
        return next_ >= line_.size();
    }
    [[nodiscard]] char peek() const {
        return done() ? '\0' : line_[next_];
    }
    [[nodiscard]] std::size_t column() const {
        return next_ + 1;
    }
    bool take(char wanted) {
        if (peek() != wanted) {
            return false;
        }
        ++next_;
        return true;
    }
    // A decimal number below `limit`, or none (and then nothing is taken).
    std::optional<std::size_t> number(std::size_t limit) {
        std::size_t value = 0;
        const char* first = line_.data() + next_;
        const auto [end, error] = std::from_chars(first, line_.data() + line_.size(), value);
        if (error != std::errc{} || value >= limit) {
            return std::nullopt;
        }
        next_ += static_cast<std::size_t>(end - first);
        return value;
    }
    [[nodiscard]] std::string what_is_here() const {
        return done() ? "the end of the line" : quoted_byte(peek());
    }

private:
    std::string_view line_;
    std::size_t next_ = 0;
};

std::string product_text(product_literals literals) {
    std::string text;
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        const bool high = ((literals >> input) & 1U) != 0;
        const bool low = ((literals >> (input + low_shift)) & 1U) != 0;
        if (high || low) {
            text += text.empty() ? "" : " & ";
            text += low ? "/I" : "I";
            text += std::to_string(input);
        }
    }
    return text.empty() ? "1" : text;
}

// Reads the literals of a product: `1`, or `Ij` and `/Ij` joined by `&`.
std::optional<form_error> read_literals(cursor& place, std::size_t line, product_literals& literals) {
    if (place.take('1')) {
        place.skip_blanks();
        return std::nullopt;
    }
    do {
        place.skip_blanks();
        const bool low = place.take('/');
        if (!place.take('I')) {
            return text_error(line, place.column(), place.what_is_here() + " where an input (Ij or /Ij) belongs");
        }
        const std::size_t column = place.column();
        const auto input = place.number(pla_input_count);
        if (!input) {
            return text_error(line, column, "not an input number (0 to 15)");
        }
        const product_literals both = (1U << *input) | (1U << (*input + low_shift));
        if ((literals & both) != 0) {
            return text_error(line, column - 1, "I" + std::to_string(*input) + " twice in one product");
        }
        literals |= 1U << (*input + (low ? low_shift : 0));
        place.skip_blanks();
    } while (place.take('&'));
    return std::nullopt;
}

// Reads a product and its optional `# Pt` (t below `terms`) up to the end of the line.
std::optional<form_error> read_product(cursor& place, std::size_t line, std::size_t terms, product_entry& entry) {
    place.skip_blanks();
    entry.line = line;
    entry.column = place.column();
    if (auto error = read_literals(place, line, entry.literals)) {
        return error;
    }
    if (place.take('#')) {
        place.skip_blanks();
        if (!place.take('P')) {
            return text_error(line, place.column(), place.what_is_here() + " where a term (Pt) belongs after #");
        }
        const std::size_t column = place.column();
        entry.term = place.number(terms);
        if (!entry.term) {
            return text_error(line, column,
                              terms == pla_term_count ? "not a term number (0 to 47)" : "not a term number");
        }
        place.skip_blanks();
    }
    if (!place.done()) {
        return text_error(line, place.column(),
                          place.what_is_here() + " after a product, where & or # or the end of the line belongs");
    }
    return std::nullopt;
}

// The products of the text, output by output, and each output's polarity.
class equations_parser {
public:
    // `terms`: how many terms a `# Pt` may name.
    explicit equations_parser(std::size_t terms = pla_term_count) : terms_(terms) {}

    std::optional<form_error> line(std::size_t number, std::string_view text) {
        cursor place{text};
        place.skip_blanks();
        if (place.done()) {
            return std::nullopt;
        }
        if (place.peek() == '#') {
            if (!end_line_ && is_end_line(text)) {
                end_line_ = number;
            }
            return std::nullopt;
        }
        if (end_line_) {
            return text_error(number, place.column(),
                              place.what_is_here() + " after the end line (line " + std::to_string(*end_line_) +
                                  "), where only blank lines and comments belong");
        }
        if (place.take('|')) {
            if (!output_ || sum_closed_) {
                return text_error(number, place.column() - 1,
                                  output_ ? "a product after a sum of 0" : "a product before any output");
            }
        } else if (auto error = output_head(number, place)) {
            return error;
        } else if (sum_closed_) {
            return std::nullopt;
        }
        product_entry entry;
        entry.output = *output_;
        if (auto error = read_product(place, number, terms_, entry)) {
            return error;
        }
        entries_.push_back(entry);
        return std::nullopt;
    }

    [[nodiscard]] std::optional<form_error> all_outputs() const {
        for (std::size_t output = 0; output < pla_output_count; ++output) {
            if (!seen_[output]) {
                return file_error("no equation for F" + std::to_string(output));
            }
        }
        return std::nullopt;
    }

    // Whether the text has its end line.
    [[nodiscard]] bool ended() const {
        return end_line_.has_value();
    }

    [[nodiscard]] const std::vector<product_entry>& entries() const {
        return entries_;
    }
    [[nodiscard]] bool inverted(std::size_t output) const {
        return inverted_[output];
    }

private:
    // `Fk =` or `/Fk =`, and `0` after it for a sum of no product.
    std::optional<form_error> output_head(std::size_t number, cursor& place) {
        const bool invert = place.take('/');
        if (!place.take('F')) {
            return text_error(number, place.column(),
                              place.what_is_here() + " where an output (Fk = or /Fk =) or a continuation (|) belongs");
        }
        const std::size_t column = place.column();
        output_ = place.number(pla_output_count);
        if (!output_) {
            return text_error(number, column, "not an output number (0 to 7)");
        }
        if (seen_[*output_]) {
            return text_error(number, column - 1, "F" + std::to_string(*output_) + " a second time");
        }
        seen_[*output_] = true;
        inverted_[*output_] = invert;
        place.skip_blanks();
        if (!place.take('=')) {
            return text_error(number, place.column(), place.what_is_here() + " where = belongs");
        }
        place.skip_blanks();
        sum_closed_ = place.take('0');
        if (sum_closed_) {
            place.skip_blanks();
            if (!place.done()) {
                return text_error(number, place.column(), place.what_is_here() + " after a sum of 0");
            }
        }
        return std::nullopt;
    }

    std::size_t terms_;
    std::vector<product_entry> entries_;
    std::array<bool, pla_output_count> seen_{};
    std::array<bool, pla_output_count> inverted_{};
    std::optional<std::size_t> output_;   // the one whose products are being read
    bool sum_closed_ = false;             // after `= 0`, no product may follow
    std::optional<std::size_t> end_line_; // the line of `# end`, once read
};

// Each term's product and the outputs it feeds.
struct term_plan {
    std::array<std::optional<product_literals>, pla_term_count> products{};
    std::array<unsigned, pla_term_count> outputs{};
};

// The terms the products name; a term named twice has one product.
std::optional<form_error> place_named(const std::vector<product_entry>& entries, term_plan& plan) {
    for (const product_entry& entry : entries) {
        if (!entry.term) {
            continue;
        }
        auto& product = plan.products[*entry.term];
        if (product && *product != entry.literals) {
            return text_error(entry.line, entry.column,
                              "P" + std::to_string(*entry.term) + " is " + product_text(*product) + " elsewhere, not " +
                                  product_text(entry.literals));
        }
        product = entry.literals;
        plan.outputs[*entry.term] |= 1U << entry.output;
    }
    return std::nullopt;
}

// The products that name no term take the lowest free ones; equal products share one.
std::optional<form_error> place_unnamed(const std::vector<product_entry>& entries, term_plan& plan) {
    std::map<product_literals, std::size_t> placed;
    std::size_t free_term = 0;
    for (const product_entry& entry : entries) {
        if (entry.term) {
            continue;
        }
        auto found = placed.find(entry.literals);
        if (found == placed.end()) {
            while (free_term < pla_term_count && plan.products[free_term]) {
                ++free_term;
            }
            if (free_term == pla_term_count) {
                return text_error(entry.line, entry.column, "no term left for this product: the 82S100 has 48");
            }
            plan.products[free_term] = entry.literals;
            found = placed.emplace(entry.literals, free_term).first;
        }
        plan.outputs[found->second] |= 1U << entry.output;
    }
    return std::nullopt;
}

void program_term(const term_plan& plan, std::size_t term, pla_fuses& fuses) {
    const product_literals literals = *plan.products[term];
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        fuses[pla_complement_fuse(term, input)] = ((literals >> (input + low_shift)) & 1U) != 0 ? 0 : 1;
        fuses[pla_true_fuse(term, input)] = ((literals >> input) & 1U) != 0 ? 0 : 1;
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        fuses[pla_output_fuse(term, output)] = ((plan.outputs[term] >> output) & 1U) != 0 ? 0 : 1;
    }
}

} // namespace

namespace {

std::optional<form_error> parse_equations(std::string_view text, equations_parser& parser) {
    if (auto error = read_text_form(
            text, [&parser](std::size_t number, std::string_view line) { return parser.line(number, line); })) {
        return error;
    }
    return parser.all_outputs();
}

// Adds to `warnings` that the text read had no end line, if so.
void warn_without_end(const equations_parser& parser, form_warnings* warnings) {
    if (!parser.ended() && warnings != nullptr) {
        warnings->emplace_back(R"(no "# end" line: a file cut short inside its last equation reads without error; )"
                               "add the line after the last equation");
    }
}

} // namespace

std::optional<form_error> read_equation_sums(std::string_view text, equation_sums& sums, form_warnings* warnings) {
    equations_parser parser{std::numeric_limits<std::size_t>::max()};
    if (auto error = parse_equations(text, parser)) {
        return error;
    }
    for (const product_entry& entry : parser.entries()) {
        sums.products[entry.output].push_back(
            {static_cast<std::uint16_t>(entry.literals), static_cast<std::uint16_t>(entry.literals >> low_shift)});
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        sums.inverted[output] = parser.inverted(output);
    }
    warn_without_end(parser, warnings);
    return std::nullopt;
}

std::optional<form_error> read_equations(std::string_view text, pla_fuses& fuses, form_warnings* warnings) {
    equations_parser parser;
    if (auto error = parse_equations(text, parser)) {
        return error;
    }
    term_plan plan;
    if (auto error = place_named(parser.entries(), plan)) {
        return error;
    }
    if (auto error = place_unnamed(parser.entries(), plan)) {
        return error;
    }
    fuses.fill(0);
    for (std::size_t term = 0; term < pla_term_count; ++term) {
        if (plan.products[term]) {
            program_term(plan, term, fuses);
        }
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        fuses[pla_polarity_fuse(output)] = parser.inverted(output) ? 1 : 0;
    }
    warn_without_end(parser, warnings);
    return std::nullopt;
}

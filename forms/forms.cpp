#include "forms/forms.h"

#include <array>
#include <utility>

#include "forms/berkeley.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "forms/equations.h"
#include "forms/fuse_file.h"
#include "text/text_lines.h"

namespace {

constexpr std::array<std::pair<std::string_view, programming_form>, 5> form_names = {{
    {"jedec", programming_form::jedec},
    {"fuses", programming_form::fuses},
    {"pla", programming_form::pla},
    {"equations", programming_form::equations},
    {"table", programming_form::table},
}};

bool is_space(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n';
}

// A QF field: `QF` as the first thing after a field's `*`.
bool has_qf_field(std::string_view bytes) {
    for (std::size_t star = bytes.find('*'); star != std::string_view::npos; star = bytes.find('*', star + 1)) {
        std::size_t next = star + 1;
        while (next < bytes.size() && is_space(bytes[next])) {
            ++next;
        }
        if (bytes.substr(next, 2) == "QF") {
            return true;
        }
    }
    return false;
}

// An `F0 =` or `/F0 =` line, blanks around the `=` free (`F0=I1&I2`).
bool is_first_equation(std::string_view line) {
    line.remove_prefix(line.starts_with('/') ? 1 : 0);
    if (!line.starts_with("F0")) {
        return false;
    }
    line.remove_prefix(2);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    return line.starts_with('=');
}

// The form that marks in `bytes` show, or none.
std::optional<programming_form> marked_form(std::string_view bytes) noexcept {
    if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] == '\0') {
        return programming_form::fuses;
    }
    if (bytes.find('\x02') != std::string_view::npos || has_qf_field(bytes)) {
        return programming_form::jedec;
    }
    bool first = true;
    std::optional<programming_form> found;
    text_lines lines{without_utf8_bom(bytes)};
    std::string_view line;
    while (lines.read(line)) {
        while (!line.empty() && is_space(line.front())) {
            line.remove_prefix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (first && line.substr(0, 5) == "term ") {
            return programming_form::table;
        }
        first = false;
        if (is_first_equation(line)) {
            return programming_form::equations;
        }
        if (line.size() > 2 && line.substr(0, 2) == ".i" && (line[2] == ' ' || line[2] == '\t')) {
            found = programming_form::pla;
        }
    }
    return found;
}

// Why `bytes` are no programming when another reason than a reader's fits better, told
// without a form: an EPROM image (65,536 bytes of no text form, which may start with two
// zero bytes); with no mark of any form, nothing at all, or no JEDEC field either.
std::optional<form_error> unmarked_problem(std::string_view bytes) {
    if (bytes.size() == pla_word_count && !holds_text_form(bytes)) {
        return file_error(
            "65536 bytes of no text form: an EPROM image, not a programming; plakit fit finds a "
            "programming that drives it");
    }
    if (marked_form(bytes) || is_utf16_text(bytes)) {
        return std::nullopt; // the reader's words say what is wrong
    }
    if (bytes.empty()) {
        return file_error("an empty file: no programming in it");
    }
    if (bytes.find('*') == std::string_view::npos) {
        return file_error(
            "no form plakit reads: a JEDEC file (fields ended by *), a fuse file, a Berkeley PLA (.i), "
            "equations (F0 =) or a program table (term)");
    }
    return std::nullopt;
}

} // namespace

programming_form recognise_form(std::string_view bytes) noexcept {
    return marked_form(bytes).value_or(programming_form::jedec);
}

std::optional<programming_form> programming_form_named(std::string_view name) noexcept {
    for (const auto& [form_name, form] : form_names) {
        if (form_name == name) {
            return form;
        }
    }
    return std::nullopt;
}

std::string_view programming_form_name(programming_form form) noexcept {
    for (const auto& [form_name, named] : form_names) {
        if (named == form) {
            return form_name;
        }
    }
    return "automatic";
}

std::optional<form_error> read_programming(std::string_view bytes, programming_form form, jedec_pair_order order,
                                           pla_fuses& fuses, form_warnings* warnings) {
    if (form == programming_form::automatic) {
        if (auto problem = unmarked_problem(bytes)) {
            return problem;
        }
    }
    switch (form == programming_form::automatic ? recognise_form(bytes) : form) {
    case programming_form::fuses:
        return read_fuse_file(bytes, order, fuses);
    case programming_form::pla:
        return read_berkeley_pla(bytes, fuses);
    case programming_form::equations:
        return read_equations(bytes, fuses, warnings);
    case programming_form::table:
        return read_program_table(bytes, fuses);
    case programming_form::automatic:
    case programming_form::jedec:
        break;
    }
    auto error = read_jedec(bytes, order, fuses);
    if (!error) {
        return std::nullopt;
    }
    return text_error(error->line, error->column, std::move(error->message));
}

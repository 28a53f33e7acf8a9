#include "forms/forms.h"

#include <array>
#include <utility>

#include "forms/berkeley.h"
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

} // namespace

programming_form recognise_form(std::string_view bytes) noexcept {
    if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] == '\0') {
        return programming_form::fuses;
    }
    if (bytes.find('\x02') != std::string_view::npos || has_qf_field(bytes)) {
        return programming_form::jedec;
    }
    bool first = true;
    programming_form found = programming_form::jedec;
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
        if (line.substr(0, 4) == "F0 =" || line.substr(0, 5) == "/F0 =") {
            return programming_form::equations;
        }
        if (line.size() > 2 && line.substr(0, 2) == ".i" && (line[2] == ' ' || line[2] == '\t')) {
            found = programming_form::pla;
        }
    }
    return found;
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

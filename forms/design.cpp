#include "forms/design.h"

#include <algorithm>
#include <memory>

#include "forms/compare.h"
#include "forms/equations.h"
#include "forms/word_set.h"

bool cares_everywhere(const design& read) noexcept {
    return std::all_of(read.care.begin(), read.care.end(), [](std::uint8_t care) { return care == 0xFF; });
}

std::optional<form_error> read_equations_design(std::string_view text, design& read, form_warnings* warnings) {
    equation_sums sums;
    if (auto error = read_equation_sums(text, sums, warnings)) {
        return error;
    }
    read.table.assign(pla_word_count, 0);
    read.care.assign(pla_word_count, 0xFF);
    read.placement.clear();
    auto sum = std::make_unique<word_set>();
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        *sum = word_set{};
        for (const auto& product : sums.products[output]) {
            sum->add({static_cast<std::uint16_t>(product.high | product.low), product.high});
        }
        const auto bit = static_cast<std::uint8_t>(1U << output);
        for (std::size_t word = 0; word < pla_word_count; ++word) {
            if (sum->has(word) != sums.inverted[output]) {
                read.table[word] = static_cast<std::uint8_t>(read.table[word] | bit);
            }
        }
    }
    return std::nullopt;
}

std::optional<form_error> read_design(std::string_view bytes, programming_form form, jedec_pair_order order,
                                      design& read, form_warnings* warnings) {
    const programming_form told = form == programming_form::automatic ? recognise_form(bytes) : form;
    if (told == programming_form::pla) {
        return read_berkeley_design(bytes, read);
    }
    if (told == programming_form::equations) {
        return read_equations_design(bytes, read, warnings);
    }
    pla_fuses fuses{};
    if (auto error = read_programming(bytes, told, order, fuses, warnings)) {
        return error;
    }
    read.table.assign(pla_word_count, 0);
    read.care.assign(pla_word_count, 0xFF);
    read.placement.clear();
    pla_truth_table(fuses, std::span<std::uint8_t, pla_word_count>{read.table.data(), pla_word_count});
    return std::nullopt;
}

namespace {

bool is_text_byte(unsigned char byte) {
    constexpr unsigned char stx = 0x02;
    constexpr unsigned char etx = 0x03;
    return (byte >= 0x20 && byte < 0x7F) || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' ||
           byte == stx || byte == etx;
}

bool is_padding(char byte) {
    constexpr char ctrl_z = 0x1A;
    return byte == '\0' || byte == ctrl_z;
}

} // namespace

bool holds_text_form(std::string_view bytes) noexcept {
    while (!bytes.empty() && is_padding(bytes.back())) {
        bytes.remove_suffix(1);
    }
    if (bytes.empty() || !std::all_of(bytes.begin(), bytes.end(),
                                      [](char byte) { return is_text_byte(static_cast<unsigned char>(byte)); })) {
        return false;
    }
    // JEDEC is what recognise_form falls back on: here it needs its own mark.
    switch (recognise_form(bytes)) {
    case programming_form::pla:
    case programming_form::equations:
    case programming_form::table:
        return true;
    case programming_form::jedec:
        return bytes.find('\x02') != std::string_view::npos || bytes.find("QF") != std::string_view::npos;
    case programming_form::fuses:
    case programming_form::automatic:
        break;
    }
    return false;
}

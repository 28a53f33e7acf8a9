#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>

#include "diagnosis/diagnosis.h"

namespace {

void append_decimal(std::string& text, std::size_t value) {
    std::array<char, 24> digits{};
    auto* const end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    text.append(digits.data(), end);
}

// "0x" and Digits upper-case hex digits.
template <unsigned Digits>
void append_hex(std::string& text, unsigned value) {
    constexpr std::string_view hex_digits = "0123456789ABCDEF";
    text += "0x";
    for (unsigned digit = Digits; digit-- > 0;) {
        text += hex_digits[(value >> (4 * digit)) & 0xFU];
    }
}

void append_data_line(std::string& text, unsigned line) {
    text += 'D';
    append_decimal(text, line);
}

void append_address_line(std::string& text, unsigned line) {
    text += 'A';
    append_decimal(text, line);
}

void append_diagnosis(std::string& text, const eprom_verification& result) {
    switch (result.verdict) {
    case eprom_verdict::matches:
    case eprom_verdict::wrong_size:
        break;
    case eprom_verdict::blank:
        text += "blank: every byte is 0xFF";
        break;
    case eprom_verdict::data_line_stuck:
        text += "data line ";
        append_data_line(text, result.line_m);
        text += " stuck at ";
        append_decimal(text, result.level);
        break;
    case eprom_verdict::data_lines_swapped:
    case eprom_verdict::data_lines_shorted:
        text += "data lines ";
        append_data_line(text, result.line_m);
        text += " and ";
        append_data_line(text, result.line_n);
        text += result.verdict == eprom_verdict::data_lines_swapped ? " swapped" : " shorted";
        break;
    case eprom_verdict::address_line_stuck:
        text += "address line ";
        append_address_line(text, result.line_m);
        text += " stuck at ";
        append_decimal(text, result.level);
        break;
    case eprom_verdict::address_lines_swapped:
        text += "address lines ";
        append_address_line(text, result.line_m);
        text += " and ";
        append_address_line(text, result.line_n);
        text += " swapped";
        break;
    case eprom_verdict::not_erased:
        text += "not erased before programming";
        break;
    case eprom_verdict::not_fully_programmed:
        text += "not fully programmed";
        break;
    case eprom_verdict::other_pair_order:
        text += "the image of the programming in the other pair order: ";
        text += result.option;
        break;
    case eprom_verdict::other_wiring:
        text += "the image through another wiring: ";
        text += result.option;
        break;
    case eprom_verdict::address_line_inverted:
        text += "address line ";
        append_address_line(text, result.line_m);
        text += " inverted";
        break;
    case eprom_verdict::data_line_inverted:
        text += "data line ";
        append_data_line(text, result.line_m);
        text += " inverted";
        break;
    case eprom_verdict::shifted: {
        const auto distance = static_cast<std::size_t>(result.shift < 0 ? -result.shift : result.shift);
        text += "shifted by ";
        if (result.shift < 0) {
            text += '-';
        }
        append_decimal(text, distance);
        text += distance == 1 ? " byte: each byte " : " bytes: each byte ";
        append_decimal(text, distance);
        text += distance == 1 ? " address " : " addresses ";
        text += result.shift < 0 ? "below its own" : "above its own";
        break;
    }
    case eprom_verdict::all_bits_inverted:
        text += "every bit inverted";
        break;
    case eprom_verdict::unexplained:
        text += "no single fault explains the differences";
        break;
    }
}

// Under an unexplained dump: "  Dm: X read 0 for 1, Y read 1 for 0" for each data line
// with wrong bits, then "  Am: every difference at v" for each address line on which
// every difference has the same level.
void append_unexplained_details(std::string& text, const eprom_verification& result) {
    for (unsigned line = 0; line < eprom_data_line_count; ++line) {
        const eprom_data_line_errors& errors = result.data_line_errors[line];
        if (errors.read_0_for_1 == 0 && errors.read_1_for_0 == 0) {
            continue;
        }
        text += "  ";
        append_data_line(text, line);
        text += ": ";
        append_decimal(text, errors.read_0_for_1);
        text += " read 0 for 1, ";
        append_decimal(text, errors.read_1_for_0);
        text += " read 1 for 0\n";
    }
    for (unsigned line = 0; line < eprom_address_line_count; ++line) {
        if (((result.same_address_lines >> line) & 1U) == 0) {
            continue;
        }
        text += "  ";
        append_address_line(text, line);
        text += ": every difference at ";
        append_decimal(text, (result.same_address_levels >> line) & 1U);
        text += '\n';
    }
}

} // namespace

std::string render_eprom_verification(std::string_view dump_name, const eprom_verification& result) {
    std::string text;
    const auto start_line = [&] {
        text += dump_name;
        text += ": ";
    };
    start_line();
    if (result.verdict == eprom_verdict::matches) {
        text += "matches the image\n";
        return text;
    }
    if (result.verdict == eprom_verdict::wrong_size) {
        append_decimal(text, result.dump_size);
        text += result.dump_size == 1 ? " byte, expected " : " bytes, expected ";
        append_decimal(text, eprom_image_size);
        text += '\n';
        if (!result.is_part) {
            return text;
        }
        const std::size_t part_count = eprom_image_size / result.dump_size;
        if (static_cast<std::size_t>(std::popcount(result.parts)) == part_count) {
            start_line();
            text += "equals each of the ";
            append_decimal(text, part_count);
            text += " parts of the image: the image repeats every ";
            append_decimal(text, result.dump_size);
            text += " bytes\n";
            return text;
        }
        // Every part it equals, one line each.
        for (std::size_t part = 0; part < part_count; ++part) {
            if (((result.parts >> part) & 1U) == 0) {
                continue;
            }
            start_line();
            text += "equals part ";
            append_decimal(text, part + 1);
            text += " of ";
            append_decimal(text, part_count);
            text += " of the image, bytes ";
            append_hex<4>(text, static_cast<unsigned>(part * result.dump_size));
            text += '-';
            append_hex<4>(text, static_cast<unsigned>((part + 1) * result.dump_size - 1));
            text += '\n';
        }
        return text;
    }
    append_decimal(text, result.differing_bytes);
    text += result.differing_bytes == 1 ? " byte differs\n" : " bytes differ\n";
    for (const eprom_difference& difference : result.first_differences) {
        text += "  ";
        append_hex<4>(text, difference.address);
        text += ": expected ";
        append_hex<2>(text, difference.expected);
        text += ", read ";
        append_hex<2>(text, difference.read);
        text += '\n';
    }
    start_line();
    append_diagnosis(text, result);
    text += '\n';
    if (result.verdict == eprom_verdict::unexplained) {
        append_unexplained_details(text, result);
    }
    return text;
}

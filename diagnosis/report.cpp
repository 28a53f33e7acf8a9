#include <algorithm>
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

// "data line D3 stuck at 1", "data lines D2 and D6 stuck at 0", "data lines D2 stuck at 0
// and D6 stuck at 1", then ", and N bytes differ besides" when they do.
void append_stuck_lines(std::string& text, const eprom_verification& result) {
    const auto count = static_cast<unsigned>(std::popcount(result.stuck_lines));
    const bool one_level = (result.stuck_levels == 0) || (result.stuck_levels == result.stuck_lines);
    text += count == 1 ? "data line " : "data lines ";
    unsigned named = 0;
    for (unsigned line = 0; line < eprom_data_line_count; ++line) {
        if (((result.stuck_lines >> line) & 1U) == 0) {
            continue;
        }
        ++named;
        if (named > 1) {
            text += named == count ? " and " : ", ";
        }
        append_data_line(text, line);
        if (!one_level) {
            text += " stuck at ";
            append_decimal(text, (result.stuck_levels >> line) & 1U);
        }
    }
    if (one_level) {
        text += " stuck at ";
        text += result.stuck_levels == 0 ? '0' : '1';
    }
    if (result.differing_besides != 0) {
        text += ", and ";
        append_decimal(text, result.differing_besides);
        text += result.differing_besides == 1 ? " byte differs besides" : " bytes differ besides";
    }
}

// "scattered bits: N read 1 where 0 was burned, in M bytes: <what it is; what to do>".
void append_scattered_bits(std::string& text, const eprom_verification& result) {
    std::size_t read_1_for_0 = 0;
    std::size_t read_0_for_1 = 0;
    for (const eprom_data_line_errors& errors : result.data_line_errors) {
        read_1_for_0 += errors.read_1_for_0;
        read_0_for_1 += errors.read_0_for_1;
    }
    text += "scattered bits: ";
    if (read_1_for_0 != 0) {
        append_decimal(text, read_1_for_0);
        text += " read 1 where 0 was burned";
    }
    if (read_0_for_1 != 0) {
        text += read_1_for_0 != 0 ? " and " : "";
        append_decimal(text, read_0_for_1);
        text += " read 0 where 1 was burned";
    }
    text += ", in ";
    append_decimal(text, result.differing_bytes);
    text += result.differing_bytes == 1 ? " byte: " : " bytes: ";
    if (read_0_for_1 == 0) {
        text +=
            "charge loss or weak programming; program it again and read it twice, and replace the EPROM if it "
            "recurs";
    } else if (read_1_for_0 == 0) {
        text +=
            "cells left programmed (erased too briefly) or bad reads; erase it fully, program it again and read "
            "it twice";
    } else {
        text +=
            "bad reads (a socket contact, the programmer) or a damaged chip; read it again, on another "
            "programmer if you can";
    }
}

void append_diagnosis(std::string& text, const eprom_verification& result) {
    switch (result.verdict) {
    case eprom_verdict::matches:
    case eprom_verdict::copies:
    case eprom_verdict::wrong_size:
        break;
    case eprom_verdict::blank:
        text +=
            "blank: every byte is 0xFF: never programmed, or read from an empty socket; burn it, or seat it "
            "and read again";
        break;
    case eprom_verdict::all_zero:
        text += "every byte is 0x00";
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
    case eprom_verdict::data_lines_stuck:
        append_stuck_lines(text, result);
        break;
    case eprom_verdict::scattered_bits:
        append_scattered_bits(text, result);
        break;
    case eprom_verdict::ranges_read_00:
        text +=
            "ranges read 0x00 where the image has data: a bad page of the chip or a fault of the read; read it "
            "again, and replace the EPROM if it recurs";
        break;
    case eprom_verdict::not_erased:
        text += "not erased before programming";
        break;
    case eprom_verdict::not_fully_programmed:
        text +=
            "not fully programmed: some 0s did not take; burn it again (the chip type and its programming "
            "voltage right), or use another chip";
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

void append_data_line_errors(std::string& text, const std::array<eprom_data_line_errors, eprom_data_line_count>& lines,
                             std::string_view after) {
    for (unsigned line = 0; line < eprom_data_line_count; ++line) {
        const eprom_data_line_errors& errors = lines[line];
        if (errors.read_0_for_1 == 0 && errors.read_1_for_0 == 0) {
            continue;
        }
        text += "  ";
        append_data_line(text, line);
        text += ": ";
        append_decimal(text, errors.read_0_for_1);
        text += " read 0 for 1, ";
        append_decimal(text, errors.read_1_for_0);
        text += " read 1 for 0";
        text += after;
        text += '\n';
    }
}

// "  0xSSSS-0xEEEE: N bytes wrong, all read 0xFF" for a range.
void append_range(std::string& text, const eprom_range& range) {
    text += "  ";
    append_hex<4>(text, range.first);
    if (range.last != range.first) {
        text += '-';
        append_hex<4>(text, range.last);
    }
    text += ": ";
    append_decimal(text, range.wrong_bytes);
    const bool one = range.first == range.last;
    text += range.wrong_bytes == 1 ? " byte wrong, " : " bytes wrong, ";
    switch (range.reading) {
    case eprom_range_reading::all_ff:
        text += one ? "reads 0xFF" : "all read 0xFF";
        break;
    case eprom_range_reading::all_00:
        text += one ? "reads 0x00" : "all read 0x00";
        break;
    case eprom_range_reading::other:
        text += one ? "reads another value" : "read other values";
        break;
    }
    text += '\n';
}

// "`lead`Am = v, An = w and Ap = x" for the lines of `lines` (bit m: line m) at the levels
// of `levels`.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the lines, then their levels, as the result holds them
void append_lines_at(std::string& text, std::string_view lead, char kind, unsigned lines, unsigned levels) {
    const auto count = static_cast<unsigned>(std::popcount(lines));
    text += lead;
    unsigned named = 0;
    for (unsigned line = 0; lines >> line != 0; ++line) {
        if (((lines >> line) & 1U) == 0) {
            continue;
        }
        ++named;
        if (named > 1) {
            text += named == count ? " and " : ", ";
        }
        text += kind;
        append_decimal(text, line);
        text += " = ";
        append_decimal(text, (levels >> line) & 1U);
    }
    text += '\n';
}

// The address lines every wrong byte has at one level, and, when they are contiguous, the
// block they make: "every wrong byte lies in 0x0040-0x007F + k * 0x0100".
void append_address_pattern(std::string& text, const eprom_verification& result) {
    const unsigned lines = result.same_address_lines;
    if (lines == 0) {
        return;
    }
    append_lines_at(text, "  every wrong byte has ", 'A', lines, result.same_address_levels);
    const auto lowest = static_cast<unsigned>(std::countr_zero(lines));
    if (!std::has_single_bit((lines >> lowest) + 1U)) {
        return;
    }
    const unsigned block = 1U << lowest;
    const unsigned period = block << std::popcount(lines);
    const unsigned start = result.same_address_levels;
    text += "  every wrong byte lies in ";
    append_hex<4>(text, start);
    if (block > 1) {
        text += '-';
        append_hex<4>(text, start + block - 1);
    }
    text += " + k * ";
    append_hex<4>(text, period);
    text += '\n';
}

// Under a verdict that names no place: the wrong bits of each data line, the ranges of
// wrong bytes, and their address pattern.
void append_places(std::string& text, const eprom_verification& result) {
    if (result.verdict != eprom_verdict::data_lines_stuck && result.stuck_lines != 0) {
        append_lines_at(text, "  every byte read has ", 'D', result.stuck_lines, result.stuck_levels);
    }
    append_data_line_errors(text, result.data_line_errors, "");
    for (const eprom_range& range : result.ranges) {
        append_range(text, range);
    }
    if (result.range_count > result.ranges.size()) {
        const std::size_t more = result.range_count - result.ranges.size();
        text += "  and ";
        append_decimal(text, more);
        text += more == 1 ? " more range\n" : " more ranges\n";
    }
    append_address_pattern(text, result);
}

// "DUMP: N bytes: K copies of the image's 65536", then each copy.
void append_copies(std::string& text, std::string_view dump_name, const eprom_verification& result) {
    const std::size_t count = result.copy_differences.size();
    append_decimal(text, result.dump_size);
    text += " bytes: ";
    append_decimal(text, count);
    text += " copies of the image's ";
    append_decimal(text, eprom_image_size);
    text += '\n';
    for (std::size_t copy = 0; copy < count; ++copy) {
        text += dump_name;
        text += ": copy ";
        append_decimal(text, copy + 1);
        text += " of ";
        append_decimal(text, count);
        text += ", bytes ";
        append_hex<5>(text, static_cast<unsigned>(copy * eprom_image_size));
        text += '-';
        append_hex<5>(text, static_cast<unsigned>((copy + 1) * eprom_image_size - 1));
        const std::size_t differing = result.copy_differences[copy];
        if (differing == 0) {
            text += ": matches the image\n";
            continue;
        }
        text += ": ";
        append_decimal(text, differing);
        text += differing == 1 ? " byte differs\n" : " bytes differ\n";
    }
}

// "DUMP: its bytes 0xSSSSS-0xEEEEE are the image, N bytes more after them" (or before).
void append_image_inside(std::string& text, std::string_view dump_name, const eprom_verification& result) {
    const std::size_t more = result.dump_size - eprom_image_size;
    const std::size_t last = result.image_offset + eprom_image_size - 1;
    const auto append_address = last > 0xFFFFF ? append_hex<6> : append_hex<5>;
    text += dump_name;
    text += ": its bytes ";
    append_address(text, static_cast<unsigned>(result.image_offset));
    text += '-';
    append_address(text, static_cast<unsigned>(last));
    text += " are the image, ";
    append_decimal(text, more);
    text += more == 1 ? " byte" : " bytes";
    text += result.image_offset == 0 ? " more after them\n" : " more before them\n";
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
    if (result.verdict == eprom_verdict::copies) {
        append_copies(text, dump_name, result);
        return text;
    }
    if (result.verdict == eprom_verdict::blank || result.verdict == eprom_verdict::all_zero) {
        append_diagnosis(text, result);
        text += '\n';
        return text;
    }
    if (result.verdict == eprom_verdict::wrong_size) {
        append_decimal(text, result.dump_size);
        text += result.dump_size == 1 ? " byte, expected " : " bytes, expected ";
        append_decimal(text, eprom_image_size);
        text += '\n';
        if (result.holds_image) {
            append_image_inside(text, dump_name, result);
        }
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
    if (result.has_places) {
        append_places(text, result);
    }
    return text;
}

std::string render_eprom_reads(std::span<const std::string> dump_names, const eprom_reads_verification& result) {
    std::string text;
    std::string names;
    for (const std::string& name : dump_names) {
        names += names.empty() ? "" : " + ";
        names += name;
    }
    if (!result.alone.empty()) {
        // The headline says of the reads together how many match, before each read's own text.
        const auto matching = static_cast<std::size_t>(
            std::count_if(result.alone.begin(), result.alone.end(),
                          [](const eprom_verification& read) { return eprom_exit_status(read) == 0; }));
        text += names;
        if (matching == result.alone.size()) {
            text += ": every read matches the image\n";
        } else if (matching == 0) {
            text += ": no read matches the image\n";
        } else {
            text += ": ";
            append_decimal(text, matching);
            text += " of ";
            append_decimal(text, result.alone.size());
            text += matching == 1 ? " reads matches the image\n" : " reads match the image\n";
        }
        for (std::size_t read = 0; read < result.alone.size() && read < dump_names.size(); ++read) {
            text += render_eprom_verification(dump_names[read], result.alone[read]);
        }
        return text;
    }
    if (result.unstable_bytes != 0) {
        text += names;
        text += ": ";
        append_decimal(text, result.unstable_bytes);
        text += result.unstable_bytes == 1 ? " byte differs" : " bytes differ";
        text += " between the reads: weak cells or a bad contact\n";
        for (const eprom_unstable_byte& unstable : result.first_unstable) {
            text += "  ";
            append_hex<4>(text, unstable.address);
            text += ": expected ";
            append_hex<2>(text, unstable.expected);
            text += ", read";
            for (const std::uint8_t read : unstable.reads) {
                text += ' ';
                append_hex<2>(text, read);
            }
            text += '\n';
        }
        append_data_line_errors(text, result.unstable_lines, " in some reads");
    }
    text += render_eprom_verification(names, result.agreed);
    return text;
}

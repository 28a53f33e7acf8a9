// The text of verify's verdict on one dump: the headline, then the bytes that differ, the
// places, and what differs besides a fault named; a larger chip copy by copy.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "diagnosis/report_text.h"

namespace {

// "data line D3 stuck at 1", "data lines D2 and D6 stuck at 0", "data lines D2 stuck at 0
// and D6 stuck at 1".
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
    case eprom_verdict::address_lines_shorted:
        text += "address lines ";
        append_address_line(text, result.line_m);
        text += " and ";
        append_address_line(text, result.line_n);
        text += result.verdict == eprom_verdict::address_lines_swapped ? " swapped" : " shorted";
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

// Whether the verdict names a fault, which a fault named before it may be joined with.
bool names_a_fault(eprom_verdict verdict) noexcept {
    return verdict >= eprom_verdict::data_line_stuck && verdict <= eprom_verdict::data_lines_stuck;
}

// The fault named, then what else differs, in turn: " and " the fault that explains the
// rest, or ", and N bytes differ besides".
void append_faults(std::string& text, const eprom_verification& result) {
    append_diagnosis(text, result);
    for (const eprom_verification* level = &result; !level->besides.empty(); level = &level->besides.front()) {
        const eprom_verification& rest = level->besides.front();
        if (!names_a_fault(rest.verdict)) {
            text += ", and ";
            append_count_differ(text, level->differing_besides);
            text += " besides";
            return;
        }
        text += " and ";
        append_diagnosis(text, rest);
    }
}

// "1, 3 and 5-16": copy numbers from 1, in order, runs joined.
void append_copy_numbers(std::string& text, const std::vector<std::size_t>& copies) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const std::size_t copy : copies) {
        if (!runs.empty() && runs.back().second + 1 == copy) {
            runs.back().second = copy;
        } else {
            runs.emplace_back(copy, copy);
        }
    }
    for (std::size_t run = 0; run < runs.size(); ++run) {
        if (run > 0) {
            text += run + 1 == runs.size() ? " and " : ", ";
        }
        append_decimal(text, runs[run].first + 1);
        if (runs[run].second != runs[run].first) {
            text += '-';
            append_decimal(text, runs[run].second + 1);
        }
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

// The headline of a dump of the image's size, or of the wrong size: the verdict.
void append_single_headline(std::string& text, const eprom_verification& result) {
    switch (result.verdict) {
    case eprom_verdict::matches:
        text += "matches the image";
        break;
    case eprom_verdict::wrong_size:
        append_decimal(text, result.dump_size);
        text += result.dump_size == 1 ? " byte, expected " : " bytes, expected ";
        append_decimal(text, eprom_image_size);
        break;
    default:
        append_faults(text, result);
        break;
    }
}

// The verdict of each copy (as the copy it holds the same bytes as).
const eprom_verification& copy_verdict(const eprom_verification& result, std::size_t copy) {
    return result.each_copy[result.copy_same_as[copy]];
}

// The copies grouped by their headline, in the order of their first copy.
std::vector<std::pair<std::string, std::vector<std::size_t>>> copies_by_headline(const eprom_verification& result) {
    std::vector<std::pair<std::string, std::vector<std::size_t>>> groups;
    for (std::size_t copy = 0; copy < result.copy_differences.size(); ++copy) {
        std::string verdict;
        append_single_headline(verdict, copy_verdict(result, copy));
        const auto group =
            std::find_if(groups.begin(), groups.end(), [&](const auto& each) { return each.first == verdict; });
        if (group == groups.end()) {
            groups.push_back({verdict, {copy}});
        } else {
            group->second.push_back(copy);
        }
    }
    return groups;
}

// A larger chip's headline: "matches the image in each of its K copies", the verdict of
// every copy when all hold the same bytes, else the copies grouped by their verdict:
// "copies 1 and 3 match the image; copy 2: blank: every byte is 0xFF" (four groups at most,
// then "and N other copies differ").
void append_copies_headline(std::string& text, const eprom_verification& result) {
    const bool all_match = std::all_of(result.copy_differences.begin(), result.copy_differences.end(),
                                       [](std::size_t differing) { return differing == 0; });
    const bool all_same = std::all_of(result.copy_same_as.begin(), result.copy_same_as.end(),
                                      [](std::size_t same_as) { return same_as == 0; });
    if (all_match || all_same) {
        const eprom_verification& first = copy_verdict(result, 0);
        if (first.verdict == eprom_verdict::blank || first.verdict == eprom_verdict::all_zero) {
            append_single_headline(text, first);
            return;
        }
        text += all_match ? "matches the image in each of its " : "the same in each of its ";
        append_decimal(text, result.copy_differences.size());
        text += " copies";
        if (!all_match) {
            text += ": ";
            append_single_headline(text, first);
        }
        return;
    }
    const auto groups = copies_by_headline(result);
    constexpr std::size_t groups_named = 4;
    const std::size_t named = groups.size() > groups_named ? groups_named - 1 : groups.size();
    for (std::size_t group = 0; group < named; ++group) {
        const auto& [verdict, copies] = groups[group];
        text += group > 0 ? "; " : "";
        text += copies.size() == 1 ? "copy " : "copies ";
        append_copy_numbers(text, copies);
        if (copy_verdict(result, copies.front()).verdict == eprom_verdict::matches) {
            text += copies.size() == 1 ? " matches the image" : " match the image";
        } else {
            text += ": ";
            text += verdict;
        }
    }
    std::size_t others = 0;
    for (std::size_t group = named; group < groups.size(); ++group) {
        others += groups[group].second.size();
    }
    if (others != 0) {
        text += "; and ";
        append_decimal(text, others);
        text += others == 1 ? " other copy differs" : " other copies differ";
    }
}

// The first line's words after the name: the verdict.
void append_headline(std::string& text, const eprom_verification& result) {
    if (result.verdict == eprom_verdict::copies) {
        append_copies_headline(text, result);
    } else {
        append_single_headline(text, result);
    }
}

// A smaller chip's part of the image: each part the dump equals.
void append_parts(std::string& text, std::string_view dump_name, const eprom_verification& result) {
    if (!result.is_part) {
        return;
    }
    const auto start_line = [&] {
        text += dump_name;
        text += ": ";
    };
    const std::size_t part_count = eprom_image_size / result.dump_size;
    if (static_cast<std::size_t>(std::popcount(result.parts)) == part_count) {
        start_line();
        text += "equals each of the ";
        append_decimal(text, part_count);
        text += " parts of the image: the image repeats every ";
        append_decimal(text, result.dump_size);
        text += " bytes\n";
        return;
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
}

// What follows the headline of a dump of the image's size, or of the wrong size: for a
// dump that differs, how many bytes and the first of them, the places, and what differs
// besides a fault named, diagnosed on its own.
void append_single_details(std::string& text, std::string_view dump_name, const eprom_verification& result) {
    switch (result.verdict) {
    case eprom_verdict::matches:
    case eprom_verdict::blank:
    case eprom_verdict::all_zero:
        return;
    case eprom_verdict::wrong_size:
        if (result.holds_image) {
            append_image_inside(text, dump_name, result);
        }
        append_parts(text, dump_name, result);
        return;
    default:
        break;
    }
    const auto start_line = [&] {
        text += dump_name;
        text += ": ";
    };
    start_line();
    append_count_differ(text, result.differing_bytes);
    text += '\n';
    for (const eprom_difference& difference : result.first_differences) {
        append_expected(text, difference.address, difference.expected);
        text += ' ';
        append_hex<2>(text, difference.read);
        text += '\n';
    }
    if (result.has_places) {
        append_places(text, result);
    }
    // "DUMP: besides <the faults named so far>, N bytes differ: <their diagnosis>".
    std::string named;
    append_diagnosis(named, result);
    for (const eprom_verification* level = &result; !level->besides.empty(); level = &level->besides.front()) {
        const eprom_verification& rest = level->besides.front();
        start_line();
        text += "besides ";
        text += named;
        text += ", ";
        append_count_differ(text, level->differing_besides);
        text += ": ";
        append_diagnosis(text, rest);
        text += '\n';
        if (rest.has_places) {
            append_places(text, rest);
        }
        named += " and ";
        append_diagnosis(named, rest);
    }
}

// "DUMP: N bytes: K copies of the image's 65536", then each copy: its verdict, and what a
// dump of its own would show under it, named "DUMP: copy K of M".
void append_copies(std::string& text, std::string_view dump_name, const eprom_verification& result) {
    const std::size_t count = result.copy_differences.size();
    text += dump_name;
    text += ": ";
    append_decimal(text, result.dump_size);
    text += " bytes: ";
    append_decimal(text, count);
    text += " copies of the image's ";
    append_decimal(text, eprom_image_size);
    text += '\n';
    for (std::size_t copy = 0; copy < count; ++copy) {
        std::string copy_name(dump_name);
        copy_name += ": copy ";
        append_decimal(copy_name, copy + 1);
        copy_name += " of ";
        append_decimal(copy_name, count);
        text += copy_name;
        text += ", bytes ";
        append_hex<5>(text, static_cast<unsigned>(copy * eprom_image_size));
        text += '-';
        append_hex<5>(text, static_cast<unsigned>((copy + 1) * eprom_image_size - 1));
        text += ": ";
        const std::size_t same_as = result.copy_same_as[copy];
        if (same_as != copy) {
            text += "the same as copy ";
            append_decimal(text, same_as + 1);
            text += '\n';
            continue;
        }
        append_single_headline(text, result.each_copy[copy]);
        text += '\n';
        append_single_details(text, copy_name, result.each_copy[copy]);
    }
}

} // namespace

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

std::string render_eprom_verification(std::string_view dump_name, const eprom_verification& result) {
    std::string text(dump_name);
    text += ": ";
    append_headline(text, result);
    text += '\n';
    if (result.verdict == eprom_verdict::copies) {
        append_copies(text, dump_name, result);
    } else {
        append_single_details(text, dump_name, result);
    }
    return text;
}

// The words verify's report is written with, shared by the text of one dump and of
// several reads.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "diagnosis/diagnosis.h"

inline void append_decimal(std::string& text, std::size_t value) {
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

inline void append_data_line(std::string& text, unsigned line) {
    text += 'D';
    append_decimal(text, line);
}

inline void append_address_line(std::string& text, unsigned line) {
    text += 'A';
    append_decimal(text, line);
}

// "N bytes differ" ("1 byte differs").
inline void append_count_differ(std::string& text, std::size_t count) {
    append_decimal(text, count);
    text += count == 1 ? " byte differs" : " bytes differ";
}

// "  0xAAAA: expected 0xEE, read": a byte's line, before what was read there.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the address, then the byte there, as the line reads
inline void append_expected(std::string& text, unsigned address, std::uint8_t expected) {
    text += "  ";
    append_hex<4>(text, address);
    text += ": expected ";
    append_hex<2>(text, expected);
    text += ", read";
}

// "  D3: N read 0 for 1, M read 1 for 0`after`" for each data line with wrong bits.
void append_data_line_errors(std::string& text, const std::array<eprom_data_line_errors, eprom_data_line_count>& lines,
                             std::string_view after);

// How every text form of a programming is read: UTF-16 refused whole, a UTF-8 byte order
// mark read past, then each line in turn with its number until one is at fault.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "forms/form_error.h"
#include "text/text_lines.h"

// Calls read_line(number, line) for each line of `text` and returns the first fault it
// gives; none when every line was read.
template <typename line_reader>
std::optional<form_error> read_text_form(std::string_view text, line_reader&& read_line) {
    if (is_utf16_text(text)) {
        return file_error(std::string{utf16_text_message});
    }
    text_lines lines{without_utf8_bom(text)};
    std::string_view line;
    while (lines.read(line)) {
        if (auto error = read_line(lines.number(), line)) {
            return error;
        }
    }
    return std::nullopt;
}

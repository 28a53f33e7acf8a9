// What the two readers of Berkeley PLA files share (the programming's and the design's):
// the lines read up to `.e`, each a comment, a row or a keyword, and the counts in them.
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/forms.h"
#include "forms/text_lines.h"

// A decimal count that is the whole of `word`, or none.
inline std::optional<std::size_t> pla_count_of(std::string_view word) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// Reads `text` line by line up to `.e` or `.end` (or its end), passing each row to
// reader.row(line, text, column of its first symbol) and each other keyword to
// reader.keyword(line, words); blank lines and `#` comments are read past. Returns the
// first fault either gives. Text in UTF-16 is refused whole; a UTF-8 byte order mark is read past.
template <typename reader_type>
std::optional<form_error> read_pla_lines(std::string_view text, reader_type& reader) {
    if (is_utf16_text(text)) {
        return file_error(std::string{utf16_text_message});
    }
    text_lines lines{without_utf8_bom(text)};
    std::string_view line;
    while (lines.read(line)) {
        const std::vector<text_word> words = words_of(line);
        if (words.empty() || words[0].text[0] == '#') {
            continue;
        }
        if (words[0].text == ".e" || words[0].text == ".end") {
            break;
        }
        auto error = words[0].text[0] == '.' ? reader.keyword(lines.number(), words)
                                             : reader.row(lines.number(), line, words[0].column);
        if (error) {
            return error;
        }
    }
    return std::nullopt;
}

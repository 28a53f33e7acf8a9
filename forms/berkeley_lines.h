// What the two readers of Berkeley PLA files share (the programming's and the design's):
// the lines read up to `.e`, each a comment, a row or a keyword, and the counts in them.
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_error.h"
#include "text/text_lines.h"

// A decimal count that is the whole of `word`, or none.
inline std::optional<std::size_t> pla_count_of(std::string_view word) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// The fault of keyword line `line` of a Berkeley PLA, as both readers find it: a keyword
// other than `.i`, `.o`, `.p`, `.type` and `.phase` (`unknown` says whose), or one without
// exactly one value. None for a line the reader goes on to read. Names are shown escaped.
inline std::optional<form_error> pla_keyword_fault(std::size_t line, const std::vector<text_word>& words,
                                                   std::string_view unknown) {
    const text_word& key = words[0];
    const std::string name = escaped_text(key.text);
    if (key.text != ".i" && key.text != ".o" && key.text != ".p" && key.text != ".type" && key.text != ".phase") {
        return text_error(line, key.column, name + ": " + std::string{unknown});
    }
    if (words.size() != 2) {
        return text_error(line, key.column, name + " takes one value");
    }
    return std::nullopt;
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

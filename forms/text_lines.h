// What the text forms' readers share: lines one at a time, with their numbers, and a
// byte shown so that a message never carries a control character.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class text_lines {
public:
    explicit text_lines(std::string_view text) : text_(text) {}

    // The number of the line last read, from 1.
    [[nodiscard]] std::size_t number() const {
        return number_;
    }

    // The next line without its end (LF or CR LF); false at the end of the text.
    bool read(std::string_view& line) {
        if (next_ >= text_.size()) {
            return false;
        }
        const std::size_t end = std::min(text_.find('\n', next_), text_.size());
        line = text_.substr(next_, end - next_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        next_ = end + 1;
        ++number_;
        return true;
    }

private:
    std::string_view text_;
    std::size_t next_ = 0;
    std::size_t number_ = 0;
};

// 'c' for a printable character, `byte 0xNN` for any other.
inline std::string quoted_byte(char character) {
    const auto byte = static_cast<unsigned char>(character);
    if (byte < 0x20 || byte >= 0x7F) {
        static constexpr std::string_view digits = "0123456789ABCDEF";
        return std::string{"byte 0x"} + digits[byte >> 4U] + digits[byte & 0xFU];
    }
    return std::string{"'"} + character + "'";
}

inline bool is_blank(char character) {
    return character == ' ' || character == '\t';
}

// A word of a line and its column (from 1).
struct text_word {
    std::size_t column;
    std::string_view text;
};

// The words of `line`, as blanks part them.
inline std::vector<text_word> words_of(std::string_view line) {
    std::vector<text_word> words;
    std::size_t next = 0;
    while (next < line.size()) {
        if (is_blank(line[next])) {
            ++next;
            continue;
        }
        const std::size_t start = next;
        while (next < line.size() && !is_blank(line[next])) {
            ++next;
        }
        words.push_back({start + 1, line.substr(start, next - start)});
    }
    return words;
}

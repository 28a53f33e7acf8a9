// What every text reader shares (the programming forms, JEDEC, wiring files): the text
// after a UTF-8 byte order mark, UTF-16 told apart, lines one at a time with their numbers
// whatever ends them, and bytes, words and names shown so that a message never carries a
// control character.
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

    // Whether the line last read has a line end after it (the last line of a file may not).
    [[nodiscard]] bool ended() const {
        return ended_;
    }

    // The next line without its end (LF, CR LF, or CR alone as old Macintosh files have
    // it); false at the end of the text.
    bool read(std::string_view& line) {
        if (next_ >= text_.size()) {
            return false;
        }
        const std::size_t end = std::min(text_.find_first_of("\r\n", next_), text_.size());
        line = text_.substr(next_, end - next_);
        ended_ = end < text_.size();
        next_ = end + 1;
        if (ended_ && text_[end] == '\r' && next_ < text_.size() && text_[next_] == '\n') {
            ++next_;
        }
        ++number_;
        return true;
    }

private:
    std::string_view text_;
    std::size_t next_ = 0;
    std::size_t number_ = 0;
    bool ended_ = false;
};

// What a reader says of a file in UTF-16 (Windows PowerShell 5.1 writes it with `>`).
inline constexpr std::string_view utf16_text_message = "UTF-16 text: save it as UTF-8";

// Whether `bytes` are UTF-16 text: they start with its byte order mark (FF FE or FE FF), or
// their first character is ASCII text (or a JEDEC file's STX) in two bytes, one of them
// zero. No text form starts with a zero byte, and the fuse file starts with two.
inline bool is_utf16_text(std::string_view bytes) noexcept {
    if (bytes.size() < 2) {
        return false;
    }
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
        return true;
    }
    const auto is_ascii_text = [](unsigned char byte) {
        return byte == '\x02' || byte == '\t' || byte == '\n' || byte == '\r' || (byte >= 0x20 && byte < 0x7F);
    };
    return (first == 0 && is_ascii_text(second)) || (second == 0 && is_ascii_text(first));
}

// `bytes` after the UTF-8 byte order mark (EF BB BF) that Notepad's "UTF-8 with BOM" puts
// first; columns count from after it, as an editor shows them.
inline std::string_view without_utf8_bom(std::string_view bytes) noexcept {
    return bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
}

inline bool is_printable(char character) {
    const auto byte = static_cast<unsigned char>(character);
    return byte >= 0x20 && byte < 0x7F;
}

// `byte 0xNN` for `character`.
inline std::string byte_name(char character) {
    static constexpr std::string_view digits = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(character);
    return std::string{"byte 0x"} + digits[byte >> 4U] + digits[byte & 0xFU];
}

// 'c' for a printable character, `byte 0xNN` for any other.
inline std::string quoted_byte(char character) {
    return is_printable(character) ? std::string{"'"} + character + "'" : byte_name(character);
}

// `text` with each byte that is not printable ASCII written <byte 0xNN>, so that no
// control character of a file reaches the terminal through a message.
inline std::string escaped_text(std::string_view text) {
    std::string escaped;
    for (const char character : text) {
        escaped += is_printable(character) ? std::string(1, character) : "<" + byte_name(character) + ">";
    }
    return escaped;
}

// 'text', escaped.
inline std::string quoted_text(std::string_view text) {
    return "'" + escaped_text(text) + "'";
}

// The length of the UTF-8 character that starts `text` when it is one a terminal shows as a
// mark of a line (not a control character: C0, DEL, C1; not one that breaks or reorders a
// line: the line and paragraph separators, the bidirectional and zero-width marks), else 0.
inline std::size_t shown_character_length(std::string_view text) noexcept {
    const auto byte = [&text](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const auto follows = [&](std::size_t count) {
        for (std::size_t index = 1; index <= count; ++index) {
            if (index >= text.size() || (byte(index) & 0xC0U) != 0x80U) {
                return false;
            }
        }
        return true;
    };
    const unsigned first = byte(0);
    if (first < 0x80U) {
        return is_printable(text[0]) ? 1 : 0;
    }
    if (first >= 0xC2U && first <= 0xDFU && follows(1)) {
        const unsigned point = ((first & 0x1FU) << 6U) | (byte(1) & 0x3FU);
        return point >= 0xA0U && point != 0xADU && point != 0x61CU ? 2 : 0; // C1, soft hyphen, Arabic mark
    }
    if (first >= 0xE0U && first <= 0xEFU && follows(2)) {
        const unsigned point = ((first & 0x0FU) << 12U) | ((byte(1) & 0x3FU) << 6U) | (byte(2) & 0x3FU);
        const bool marks = (point >= 0x200BU && point <= 0x200FU) || (point >= 0x2028U && point <= 0x202EU) ||
                           (point >= 0x2060U && point <= 0x206FU) || point == 0xFEFFU;
        return point >= 0x800U && (point < 0xD800U || point > 0xDFFFU) && !marks ? 3 : 0;
    }
    if (first >= 0xF0U && first <= 0xF4U && follows(3)) {
        const unsigned point =
            ((first & 0x07U) << 18U) | ((byte(1) & 0x3FU) << 12U) | ((byte(2) & 0x3FU) << 6U) | (byte(3) & 0x3FU);
        return point >= 0x10000U && point <= 0x10FFFFU ? 4 : 0;
    }
    return 0;
}

// A name for a message (a file's, or one a file gives, as `.ob` does): each byte that is not
// part of a character shown as such (shown_character_length) written <byte 0xNN>, so that
// no name moves the cursor, sets a terminal's title, breaks or reorders a line; UTF-8 text
// stays as it is ("für.jed"). Names already escaped come back the same.
inline std::string escaped_name(std::string_view name) {
    std::string escaped;
    std::size_t next = 0;
    while (next < name.size()) {
        const std::size_t length = shown_character_length(name.substr(next));
        if (length == 0) {
            escaped += "<" + byte_name(name[next]) + ">";
            ++next;
        } else {
            escaped.append(name.substr(next, length));
            next += length;
        }
    }
    return escaped;
}

// "1 row", "2 rows": `count` and the noun `thing`, plural but for one.
inline std::string counted(std::size_t count, std::string_view thing) {
    std::string text = std::to_string(count);
    text.append(" ").append(thing).append(count == 1 ? "" : "s");
    return text;
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

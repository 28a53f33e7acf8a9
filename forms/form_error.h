// What every reader of a programming's form returns: where a file is wrong and why, and what
// it could not vouch for. The readers take it from here, not from the door that calls them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Where a file is wrong and why. A text form gives the line and the column (in bytes),
// counted from 1; a binary form gives the byte offset, counted from 0; neither means the
// file as a whole.
struct form_error {
    std::size_t line = 0;
    std::size_t column = 0;
    std::optional<std::size_t> byte;
    std::string message;
};

inline form_error text_error(std::size_t line, std::size_t column, std::string message) {
    return {line, column, std::nullopt, std::move(message)};
}
inline form_error byte_error(std::size_t byte, std::string message) {
    return {0, 0, byte, std::move(message)};
}
inline form_error file_error(std::string message) {
    return {0, 0, std::nullopt, std::move(message)};
}

// The place of `error` as messages put it after the file's name: ":LINE:COLUMN",
// ": byte N", or nothing.
inline std::string form_error_place(const form_error& error) {
    if (error.byte) {
        return ": byte " + std::to_string(*error.byte);
    }
    if (error.line != 0) {
        return ":" + std::to_string(error.line) + ":" + std::to_string(error.column);
    }
    return "";
}

// What a reader says of a file it has read but cannot vouch for: one reason a line, as a
// message gives it after the file's name and `warning: `.
using form_warnings = std::vector<std::string>;

// Wiring files: the text a person writes by following a board's traces, one line per
// EPROM line ("A0 I15", "D6 F0", "D7 /F7" for a line through an inverter), read into a
// wiring and written from one. Knows the format, nothing of files or commands.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "eprom/wiring.h"

// Where a file is wrong and why. Line and column count from 1 (the column in bytes).
struct wiring_text_error {
    std::size_t line;
    std::size_t column;
    std::string message;
};

// Reads `text`, a whole file, into `wiring`: every one of A0-A15 and D0-D7 named once,
// every input and output used once, so that a wiring read is valid. Returns the first
// fault found, and then leaves `wiring` unspecified.
std::optional<wiring_text_error> read_wiring_text(std::string_view text, eprom_wiring& wiring);

// The file for `wiring`: a heading of comments that says how to read it and shows the
// wiring as two tables, then A0-A15 and D0-D7, one a line.
std::string write_wiring_text(const eprom_wiring& wiring);

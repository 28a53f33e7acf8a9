// What the commands share, and only they: the results they return, and the reading of a
// programming and a wiring, each failure added as the line plakit prints.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/commands.h"
#include "eprom/wiring.h"
#include "forms/form_error.h"
#include "pla/pla.h"

// The version that the files written name ("plakit 1.0.0").
inline constexpr std::string_view version_line = "plakit " PLAKIT_VERSION;

// A command that wrote nothing.
command_result failed(int status, std::vector<std::string> messages = {});
// A command that wrote `output` and has nothing more to say.
command_result written(std::string output);

// A command that compared (verify, compare): its status, its report and, as its headline,
// the report's first line.
command_result compared(int status, std::string report, std::vector<std::string> messages);

// The bytes of a string as the image functions take them, and back.
std::span<const std::uint8_t> bytes_of(const std::string& text);
std::string text_of(std::span<const std::uint8_t> bytes);

// The lines for what the reader could not vouch for in `file`: `plakit: FILE: warning: ...`.
void add_warnings(const command_file& file, const form_warnings& warnings, std::vector<std::string>& messages);

// The fuse map in `bytes`, the whole of `file`, in `options`' form and pair order, and the
// lines of the reader's warnings; or the line that says where it is wrong.
bool parse_programming(const command_file& file, std::string_view bytes, const programming_options& options,
                       pla_fuses& fuses, std::vector<std::string>& messages);

// The programming's fuse map: the built-in one when no file is given.
bool read_fuses(const command_programming& programming, const programming_options& options, pla_fuses& fuses,
                std::vector<std::string>& messages);

// The wiring: the named one, or the wiring file read.
bool read_wiring(const command_wiring& given, eprom_wiring& wiring, std::vector<std::string>& messages);

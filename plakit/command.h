// What every plakit command shares: how it is registered, its common options, and the
// reading and writing of files, each failure reported on stderr as `plakit: FILE: reason`.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/commands.h"
#include "eprom/image.h"
#include "forms/forms.h"
#include "jedec/jedec.h"
#include "pla/pla.h"

// A command as main sees it: its part of the command line, and what runs when it was
// given. `run` returns the exit status.
struct plakit_command {
    CLI::App* app;
    std::function<int()> run;
};

plakit_command add_jedec_command(CLI::App& plakit);
plakit_command add_image_command(CLI::App& plakit);
plakit_command add_equations_command(CLI::App& plakit);
plakit_command add_fit_command(CLI::App& plakit);
plakit_command add_verify_command(CLI::App& plakit);
plakit_command add_convert_command(CLI::App& plakit);
plakit_command add_compare_command(CLI::App& plakit);
plakit_command add_wiring_command(CLI::App& plakit);
plakit_command add_gal_command(CLI::App& plakit);

// The version line that --version prints, for the program and every command.
std::string plakit_version();

// The options several commands take.
void add_pairs_option(CLI::App& command, jedec_pair_order& order);
// --wiring NAME|FILE: `adapter` (the default) or `straight`, or else a wiring file, which
// the command reads when it runs.
void add_wiring_option(CLI::App& command, std::string& wiring);
// --from: the form of the programming read, told from its content by default.
void add_from_option(CLI::App& command, programming_form& form);

// Prints `plakit: what: reason` on stderr, `what` escaped (escaped_name).
void report(const std::string& what, const std::string& reason);

// Prints `line` and a line end on stderr, all of it (a NUL does not end it).
void print_line(const std::string& line);

// The name that messages give `file`: "standard input" for -, else the name escaped
// (escaped_name), so that no name reaches the terminal as control characters.
std::string input_name(const std::string& file);

// Reads all of `file` (- is standard input) into `bytes`. A file larger than `limit` is
// refused. Reports any failure and returns false.
bool read_input(const std::string& file, std::size_t limit, std::string& bytes);

// An input file of a command as its messages name it (JEDEC, IMAGE, DUMP, --jedec).
struct named_input {
    std::string_view name;
    std::optional<std::string> file;
};

// Whether --wiring and `input` are both standard input, which is read once; if so, reports
// it as a usage error of `command`.
bool wiring_and_input_both_stdin(std::string_view command, const named_input& input, const std::string& wiring);

// Writes `bytes` as the whole of `file` (- is standard output) through the one file
// writer, so that a failure leaves any old file as it was; a file that read_input has read
// is refused. Reports any failure and returns false.
bool write_output(const std::string& file, std::span<const std::uint8_t> bytes);
bool write_output(const std::string& file, const std::string& text);

// Writes each file (a name and its bytes) as write_output does, all of them or none: no
// name may be a file that read_input has read, and when one cannot be written, those
// written before it get their old bytes back, or are removed when they were new. Reports
// any failure and returns false.
bool write_outputs(const std::vector<std::pair<std::string, std::string>>& files);

// The file `file` (- is standard input) as a command reads it: through read_input, which
// reports any failure.
command_file input_file(const std::string& file);

// The programming a command reads: the file given, or none for the built-in map.
command_programming programming_file(const std::optional<std::string>& file);

// The wiring that --wiring gave: a named one, or a wiring file read through input_file.
command_wiring wiring_option(const std::string& name);

// Writes what a command did: its output to `file` (- is standard output), then its lines on
// stderr. Returns its status, or `write_failure` when the output could not be written.
int finish(const command_result& result, const std::string& file, int write_failure);
// The same for a command that writes several files (write_outputs); a failure to write them
// is status 1.
int finish(const gal_result& result);

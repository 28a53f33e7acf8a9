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

#include "eprom/image.h"
#include "forms/forms.h"
#include "jedec/jedec.h"
#include "pla/pla.h"

// Exit statuses: done (or, for verify, equal); input wrong, output not written (or, for
// verify, a difference found); usage.
inline constexpr int status_done = 0;
inline constexpr int status_failed = 1;
inline constexpr int status_usage = 2;
// verify, like cmp: the comparison could not be made (a file unread, the verdict unwritten).
inline constexpr int status_trouble = 2;

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

// The version line that --version prints, for the program and every command.
std::string plakit_version();

// The options several commands take.
void add_pairs_option(CLI::App& command, jedec_pair_order& order);
// --wiring NAME|FILE: `adapter` (the default) or `straight`, or else a wiring file, which
// read_wiring reads when the command runs.
void add_wiring_option(CLI::App& command, std::string& wiring);
// --from: the form of the programming read, told from its content by default.
void add_from_option(CLI::App& command, programming_form& form);

// Prints `plakit: what: reason` on stderr.
void report(const std::string& what, const std::string& reason);

// The name that messages give `file`: "standard input" for -.
std::string input_name(const std::string& file);

// Reads all of `file` (- is standard input) into `bytes`. A file larger than `limit` is
// refused. Reports any failure and returns false.
bool read_input(const std::string& file, std::size_t limit, std::string& bytes);

// Reads the fuse map in the programming `file`, in `form` (told from its content when
// automatic: JEDEC, fuse file, Berkeley PLA, equations or program table), its input pairs
// in `order`; when no file was given, the built-in map (an empty name is a file that is
// not there, not the built-in map). Reports any failure, with the place in the file, and
// returns false.
bool read_fuses(const std::optional<std::string>& file, jedec_pair_order order, pla_fuses& fuses,
                programming_form form = programming_form::automatic);

// The fuse map in `bytes`, the whole of `file`, read as read_fuses reads it.
bool read_fuses_from(const std::string& file, std::string_view bytes, jedec_pair_order order, pla_fuses& fuses,
                     programming_form form);

// An input file of a command as its messages name it (JEDEC, IMAGE, DUMP, --jedec).
struct named_input {
    std::string_view name;
    std::optional<std::string> file;
};

// Whether --wiring and `input` are both standard input, which is read once; if so, reports
// it as a usage error of `command`.
bool wiring_and_input_both_stdin(std::string_view command, const named_input& input, const std::string& wiring);

// The wiring that `name` (as --wiring gave it) names, or the one in the wiring file `name`
// (- is standard input). Reports any failure, with the place in the file, and returns false.
bool read_wiring(const std::string& name, eprom_wiring& wiring);

// Writes `bytes` as the whole of `file` (- is standard output) through the one file
// writer, so that a failure leaves any old file as it was; a file that read_input has read
// is refused. Reports any failure and returns false.
bool write_output(const std::string& file, std::span<const std::uint8_t> bytes);
bool write_output(const std::string& file, const std::string& text);

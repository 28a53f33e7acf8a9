// Each plakit command's work as one call, shared by plakit's command line and the page: the
// files a command reads come in as readers of bytes, its options as values, and what it
// writes comes back as bytes and lines. No file is opened and nothing printed here, and
// nothing throws but running out of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "eprom/image.h"
#include "forms/forms.h"
#include "jedec/jedec.h"

// Exit statuses: done (or, for verify and compare, equal); input wrong, output not written
// (or, for verify and compare, a difference found); usage.
inline constexpr int status_done = 0;
inline constexpr int status_failed = 1;
inline constexpr int status_usage = 2;
// verify and compare, like cmp: the comparison could not be made (a file unread, the verdict
// unwritten).
inline constexpr int status_trouble = 2;

// The largest files the commands read, in bytes; a larger one is refused unread.
// A programming in any form, or one side of compare.
inline constexpr std::size_t programming_size_limit = jedec_max_file_size;
// A dump: far more than any EPROM of the family; a larger file is no dump.
inline constexpr std::size_t dump_size_limit = std::size_t{16} << 20;
// An image or truth table to fit: files up to this size are read whole to tell their size.
inline constexpr std::size_t image_size_limit = std::size_t{16} << 20;
// A wiring file, some 200 bytes.
inline constexpr std::size_t wiring_size_limit = std::size_t{64} << 10;

// The reason given for a file larger than `limit` bytes.
std::string size_refusal(std::size_t limit);

// The line on stderr for a failure: `plakit: WHAT: REASON`, without the line end; WHAT (a
// file's name, and its place) escaped as escaped_name writes names.
std::string failure_line(std::string_view what, std::string_view reason);

// An input file of a command. `name` is the name its messages give it ("standard input"
// for -). `read` fills `bytes` with the whole file when it is at most `limit` bytes long
// and returns true; else it says why, on stderr or as a line added to `messages`, and
// returns false. A command calls it at most once, when it comes to the file.
struct command_file {
    std::string name;
    std::function<bool(std::size_t limit, std::string& bytes, std::vector<std::string>& messages)> read;
};

// A file whose bytes are at hand (the page's): refused, as plakit refuses it, when larger
// than the limit.
command_file file_of_bytes(std::string name, std::string bytes);

// The programming a command reads: a file, or none for the built-in map.
using command_programming = std::optional<command_file>;

// The wiring a command builds through: `adapter` or `straight`, or a wiring file.
struct command_wiring {
    std::optional<eprom_wiring> named; // none: `file`
    command_file file;
};

// The wiring that --wiring NAME names: `adapter`, `straight`, or else the file `file`.
command_wiring wiring_named(std::string_view name, command_file file);

// What a command does: its exit status, the bytes it writes (to -o, or to standard output
// for equations, verify and compare), written before the lines for stderr, which follow
// in order: a failure's, the lines of a command that tells more than its output (fit), and
// a reader's warnings about a file it read (`plakit: FILE: warning: ...`, whatever the
// status). Nothing is written when `output` is empty. `headline` is the verdict of verify
// and compare, the first line of their output, without its end; empty for the others and
// when nothing was compared.
struct command_result {
    int status = status_done;
    std::optional<std::string> output;
    std::vector<std::string> messages;
    std::string headline;
};

// The shared options of the commands that read a programming.
struct programming_options {
    jedec_pair_order order = jedec_pair_order::complement_first;
    programming_form form = programming_form::automatic;
};

// The forms that convert writes.
enum class target_form : std::uint8_t { jedec, fuses, pla, equations, table, verilog, vhdl };
// The form named as --to names it.
std::optional<target_form> target_form_named(std::string_view name) noexcept;

// The program that the JEDEC files written name in their header.
std::string_view program_version();

// plakit jedec: the built-in programming as a JEDEC file.
command_result run_jedec(jedec_pair_order order);

// plakit image: the 65,536-byte EPROM image of the programming through the wiring.
command_result run_image(const command_programming& programming, const programming_options& options,
                         const command_wiring& wiring);

// plakit equations: the programming as equations, or as its program table.
command_result run_equations(const command_programming& programming, const programming_options& options, bool table);

// plakit convert: the programming written in `target`; `name` is the Verilog module's or VHDL
// entity's name.
command_result run_convert(const command_programming& programming, const programming_options& options,
                           target_form target, std::string_view name);

// What fit reads a file as (--from): an image or truth table (through the wiring), a
// Berkeley PLA design or an equations design; automatic tells it from the content (a
// design padded to 64 KiB is still a design).
enum class fit_input : std::uint8_t { automatic, image, pla, equations };

// plakit fit: a programming of at most 48 terms driving the image or truth table, or meeting
// the design where it cares, as a JEDEC file; the line that says which file column went to
// which pin (a design's, when they are not the pins themselves) and the line that says how it
// was found (or why none was). `effort` is the search's effort as a multiple of the default
// (0 to 1000; --effort). `table`, when given, is filled with the program table of the
// programming written (as equations --table prints it), and emptied when none is.
command_result run_fit(const command_file& image, jedec_pair_order order, const command_wiring& wiring,
                       double effort = 1, fit_input from = fit_input::automatic, std::string* table = nullptr);

// Why `text` is not an --effort of fit (a number from 0 to 1000), or none.
std::optional<std::string> fit_effort_problem(const std::string& text);

// plakit verify: the dump held against the programming's image through the wiring, and
// against the images burned by mistake (the other pair order, each other named wiring).
// Several dumps are several reads of one chip: the bytes on which they differ, then what
// they agree on (render_eprom_reads). `expected`, when given, is filled with the image the
// dumps should equal.
command_result run_verify(const std::vector<command_file>& dumps, const command_programming& programming,
                          const programming_options& options, const command_wiring& wiring,
                          std::vector<std::uint8_t>* expected = nullptr);

// plakit compare: whether two programmings (any form), designs or images are the same logic
// (where a design cares).
command_result run_compare(const command_file& first, const command_file& second, const programming_options& options,
                           const command_wiring& wiring);

// plakit wiring: the wiring as a wiring file.
command_result run_wiring(const command_wiring& wiring);

// The board plakit gal builds for: the built-in one, one chosen for the programming
// (--board auto), or a board file.
enum class gal_board_kind : std::uint8_t { built_in, automatic, file };

// plakit gal's options. The programming is read as fit reads an image or a design (an image
// when `image`, or a 65,536-byte file whose content is no text form) or else as any
// programming or design in `programming`'s form and pair order.
struct gal_options {
    programming_options programming;
    bool image = false;
    command_wiring wiring{eprom_wiring::adapter, {}};
    gal_board_kind board = gal_board_kind::built_in;
    command_file board_file;
    bool ce_tied = false;
    std::string name = "82S100_GAL"; // the files are NAME-1.jed, NAME-2.jed and NAME-board.txt
};

// What plakit gal does: its status, the files it writes (each name with its bytes, all of
// them or none), and its lines for stderr, as command_result has them.
struct gal_result {
    int status = status_done;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> messages;
};

// plakit gal: the programming (the built-in one when none is given) as a pair of GAL22V10
// fuse maps and their board: each output with the fewest terms at its better polarity, its
// terms beyond its cell's spilled into spare cells read back; or, status 1 and nothing
// written, the line that says which output does not fit and why.
gal_result run_gal(const command_programming& programming, const gal_options& options);

// plakit gal: a programming as two GAL22V10 fuse maps and the board they go on.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "file/file_identity.h"
#include "plakit/command.h"

namespace {

// The first of the files to write that is one of the files to read (PROGRAMMING, --board,
// --wiring; - is standard input), refused before the work, as write_outputs refuses it
// after; or none.
std::optional<std::string> output_read(const std::string& name, const std::array<std::string, 3>& inputs) {
    for (const char* suffix : {"-1.jed", "-2.jed", "-board.txt"}) {
        const std::string output = name + suffix;
        file_identity written;
        if (!identify_file(output.c_str(), written)) {
            continue;
        }
        for (std::size_t index = 0; index < inputs.size(); ++index) {
            const std::string& input = inputs[index];
            // No file: no programming, the built-in or a chosen board, a named wiring.
            const bool none = input.empty() || (index == 1 && input == "auto") ||
                              (index == 2 && (input == "adapter" || input == "straight"));
            file_identity read;
            if (!none && (input == "-" ? identify_standard_input(read) : identify_file(input.c_str(), read))) {
                if (read == written) {
                    return output;
                }
            }
        }
    }
    return std::nullopt;
}

} // namespace

plakit_command add_gal_command(CLI::App& plakit) {
    struct options {
        std::optional<std::string> file; // none: the built-in map
        std::string board;               // empty: the built-in board
        bool ce_tied = false;
        std::string name = "82S100_GAL";
        jedec_pair_order order = jedec_pair_order::complement_first;
        std::string from;
        std::string wiring = "adapter";
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand(
        "gal",
        "Write a programming as two GAL22V10 fuse maps (NAME-1.jed, NAME-2.jed) and their board (NAME-board.txt)");
    command->add_option_function<std::string>(
        "PROGRAMMING", [given](const std::string& file) { given->file = file; },
        "Any form plakit reads, an image or truth table (through --wiring) or a design (- for standard input; "
        "default: the built-in map)");
    command->add_option("-o,--output", given->name, "NAME, the start of the three files' names")->capture_default_str();
    command
        ->add_option("--board", given->board,
                     "auto: a board chosen for this programming; FILE: a board file (default: the built-in board)")
        ->option_text("auto|FILE");
    command
        ->add_option_function<std::string>(
            "--ce", [given](const std::string&) { given->ce_tied = true; },
            "tied: the board ties /CE active; the outputs are always enabled")
        ->check(CLI::IsMember({"tied"}))
        ->option_text("tied");
    command->add_option("--from", given->from, "What PROGRAMMING is (default: told from its content)")
        ->check(CLI::IsMember({"image", "jedec", "fuses", "pla", "equations", "table"}))
        ->option_text("image|jedec|fuses|pla|equations|table");
    add_pairs_option(*command, given->order);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                const std::array<std::string, 3> inputs = {given->file.value_or(""), given->board, given->wiring};
                if (std::count(inputs.begin(), inputs.end(), "-") > 1) {
                    (void)std::fprintf(stderr,
                                       "plakit: PROGRAMMING, --board and --wiring cannot read standard input "
                                       "together; try 'plakit gal --help'\n");
                    return status_usage;
                }
                if (const auto output = output_read(given->name, inputs)) {
                    report(*output, "the output file is also the input: not written");
                    return status_failed;
                }
                gal_options options;
                options.programming = {given->order,
                                       programming_form_named(given->from).value_or(programming_form::automatic)};
                options.image = given->from == "image";
                options.wiring = wiring_option(given->wiring);
                options.board = given->board.empty()     ? gal_board_kind::built_in
                                : given->board == "auto" ? gal_board_kind::automatic
                                                         : gal_board_kind::file;
                options.board_file = input_file(given->board);
                options.ce_tied = given->ce_tied;
                options.name = given->name;
                return finish(run_gal(programming_file(given->file), options));
            }};
}

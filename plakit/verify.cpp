// plakit verify: a dump read back from the burned EPROM (or several reads of it) held
// against the image it should hold, and what is wrong with it.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "file/file_identity.h"
#include "plakit/command.h"

namespace {

struct verify_options {
    std::vector<std::string> dumps;
    std::optional<std::string> jedec; // none: the built-in map
    jedec_pair_order order = jedec_pair_order::complement_first;
    programming_form form = programming_form::automatic;
    std::string wiring = "adapter";
};

// Whether two inputs are standard input, which is read once; if so, reports it.
bool standard_input_twice(const verify_options& given) {
    const auto from_stdin = std::count(given.dumps.begin(), given.dumps.end(), "-");
    if (from_stdin > 1) {
        (void)std::fprintf(stderr, "plakit: two DUMPs cannot both be standard input; try 'plakit verify --help'\n");
        return true;
    }
    if (from_stdin == 1 && given.jedec == "-") {
        (void)std::fprintf(stderr,
                           "plakit: DUMP and --jedec cannot both be standard input; try 'plakit verify --help'\n");
        return true;
    }
    return wiring_and_input_both_stdin("verify", {"DUMP", from_stdin == 1 ? "-" : ""}, given.wiring) ||
           wiring_and_input_both_stdin("verify", {"--jedec", given.jedec}, given.wiring);
}

// Whether a file is given as two reads (by one name, or by two that lead to it); if so,
// reports it: one file is one read.
bool one_file_twice(const verify_options& given) {
    struct read_file {
        const std::string* name;
        bool known; // its identity found
        file_identity identity;
    };
    std::vector<read_file> seen;
    for (const std::string& dump : given.dumps) {
        read_file file{&dump, false, {}};
        file.known = dump != "-" && identify_file(dump.c_str(), file.identity);
        const auto same = std::find_if(seen.begin(), seen.end(), [&file](const read_file& other) {
            return *other.name == *file.name || (file.known && other.known && other.identity == file.identity);
        });
        if (same != seen.end()) {
            const std::string also = *same->name == dump ? "" : " (as " + input_name(dump) + ")";
            print_line("plakit: " + input_name(*same->name) + " is given twice" + also +
                       ": each read of the chip is a file of its own; try 'plakit verify --help'");
            return true;
        }
        seen.push_back(file);
    }
    return false;
}

} // namespace

plakit_command add_verify_command(CLI::App& plakit) {
    auto given = std::make_shared<verify_options>();
    CLI::App* command =
        plakit.add_subcommand("verify", "Compare a dump of the burned EPROM with its image and say what is wrong");
    command->footer(
        "Exit status: 0 the dump matches (every read of it), 1 it differs or has the wrong size, 2 trouble (a file "
        "unread, output unwritten, usage).");
    command
        ->add_option("DUMP", given->dumps,
                     "The dump read back from the EPROM (- for standard input); several reads of one chip: each")
        ->required();
    command->add_option_function<std::string>(
        "--jedec", [given](const std::string& file) { given->jedec = file; },
        "The programming: a JEDEC file or another form (--from; default: the built-in map)");
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    add_wiring_option(*command, given->wiring);
    return {command, [given, command] {
                if (standard_input_twice(*given) || one_file_twice(*given)) {
                    return status_usage;
                }
                if (command->count("--from") > 0 && !given->jedec) {
                    print_line(
                        "plakit: --from names the form of --jedec's file, and no --jedec is given; try 'plakit "
                        "verify --help'");
                    return status_usage;
                }
                std::vector<command_file> dumps;
                std::transform(given->dumps.begin(), given->dumps.end(), std::back_inserter(dumps), input_file);
                return finish(run_verify(dumps, programming_file(given->jedec), {given->order, given->form},
                                         wiring_option(given->wiring)),
                              "-", status_trouble);
            }};
}

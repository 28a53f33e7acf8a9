// plakit verify: a dump read back from the burned EPROM held against the image it should
// hold, and what is wrong with it.
#include <cstdio>
#include <optional>

#include "plakit/command.h"

namespace {

struct verify_options {
    std::string dump;
    std::optional<std::string> jedec; // none: the built-in map
    jedec_pair_order order = jedec_pair_order::complement_first;
    programming_form form = programming_form::automatic;
    std::string wiring = "adapter";
};

// Whether two inputs are standard input, which is read once; if so, reports it.
bool standard_input_twice(const verify_options& given) {
    if (given.dump == "-" && given.jedec == "-") {
        (void)std::fprintf(stderr,
                           "plakit: DUMP and --jedec cannot both be standard input; try 'plakit verify --help'\n");
        return true;
    }
    return wiring_and_input_both_stdin("verify", {"DUMP", given.dump}, given.wiring) ||
           wiring_and_input_both_stdin("verify", {"--jedec", given.jedec}, given.wiring);
}

} // namespace

plakit_command add_verify_command(CLI::App& plakit) {
    auto given = std::make_shared<verify_options>();
    CLI::App* command =
        plakit.add_subcommand("verify", "Compare a dump of the burned EPROM with its image and say what is wrong");
    command->footer(
        "Exit status: 0 the dump matches, 1 it differs or has the wrong size, 2 trouble (a file "
        "unread, output unwritten, usage).");
    command->add_option("DUMP", given->dump, "The dump read back from the EPROM (- for standard input)")->required();
    command->add_option_function<std::string>(
        "--jedec", [given](const std::string& file) { given->jedec = file; },
        "The programming: a JEDEC file or another form (--from; default: the built-in map)");
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (standard_input_twice(*given)) {
                    return status_usage;
                }
                return finish(run_verify({input_file(given->dump)}, programming_file(given->jedec),
                                         {given->order, given->form}, wiring_option(given->wiring)),
                              "-", status_trouble);
            }};
}

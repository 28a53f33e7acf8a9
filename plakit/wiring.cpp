// plakit wiring: a wiring as a wiring file, so that a person starts a board's file from
// the adapter's and sees what plakit understood of one.
#include "plakit/command.h"

plakit_command add_wiring_command(CLI::App& plakit) {
    struct options {
        std::string wiring = "adapter";
        std::string output = "-";
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand("wiring", "Print a wiring as a wiring file, with its tables");
    command->add_option("-o,--output", given->output, "The file to write (default: standard output)");
    add_wiring_option(*command, given->wiring);
    return {command,
            [given] { return finish(run_wiring(wiring_option(given->wiring)), given->output, status_failed); }};
}

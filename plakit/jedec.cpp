// plakit jedec: the built-in programming as a JEDEC file.
#include "plakit/command.h"

plakit_command add_jedec_command(CLI::App& plakit) {
    struct options {
        std::string output = "-";
        jedec_pair_order order = jedec_pair_order::complement_first;
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand("jedec", "Write the built-in programming as a JEDEC file");
    command->add_option("-o,--output", given->output, "The file to write (default: standard output)");
    add_pairs_option(*command, given->order);
    return {command, [given] { return finish(run_jedec(given->order), given->output, status_failed); }};
}

// plakit fit: a programming recovered from an EPROM image or a truth table, as a JEDEC file.
#include "plakit/command.h"

plakit_command add_fit_command(CLI::App& plakit) {
    struct options {
        std::string file;
        std::string output = "-";
        jedec_pair_order order = jedec_pair_order::complement_first;
        std::string wiring = "adapter";
    };
    auto given = std::make_shared<options>();
    CLI::App* command =
        plakit.add_subcommand("fit", "Find a programming of at most 48 terms that drives an image, as a JEDEC file");
    command->add_option("IMAGE", given->file, "The 65,536-byte image or truth table (- for standard input)")
        ->required();
    command->add_option("-o,--output", given->output, "The JEDEC file to write (default: standard output)");
    add_pairs_option(*command, given->order);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (wiring_and_input_both_stdin("fit", {"IMAGE", given->file}, given->wiring)) {
                    return status_usage;
                }
                return finish(run_fit(input_file(given->file), given->order, wiring_option(given->wiring)),
                              given->output, status_failed);
            }};
}

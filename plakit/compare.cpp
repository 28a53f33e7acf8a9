// plakit compare: whether two programmings, or EPROM images, are the same logic.
#include <cstdio>

#include "plakit/command.h"

plakit_command add_compare_command(CLI::App& plakit) {
    struct options {
        std::string a;
        std::string b;
        jedec_pair_order order = jedec_pair_order::complement_first;
        programming_form form = programming_form::automatic;
        std::string wiring = "adapter";
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand(
        "compare", "Say whether two programmings (in any form) or EPROM images are the same logic, and where not");
    command->add_option("A", given->a, "A programming in any form, or a 65,536-byte image (- for standard input)")
        ->required();
    command->add_option("B", given->b, "The other, alike")->required();
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (given->a == "-" && given->b == "-") {
                    (void)std::fprintf(stderr,
                                       "plakit: A and B cannot both be standard input; try 'plakit "
                                       "compare --help'\n");
                    return status_usage;
                }
                if (wiring_and_input_both_stdin("compare", {"A", given->a}, given->wiring) ||
                    wiring_and_input_both_stdin("compare", {"B", given->b}, given->wiring)) {
                    return status_usage;
                }
                return finish(run_compare(input_file(given->a), input_file(given->b), {given->order, given->form},
                                          wiring_option(given->wiring)),
                              "-", status_trouble);
            }};
}

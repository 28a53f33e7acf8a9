// plakit equations: the array as logic, or as its program table.
#include "plakit/command.h"

plakit_command add_equations_command(CLI::App& plakit) {
    struct options {
        std::optional<std::string> file; // none: the built-in map
        jedec_pair_order order = jedec_pair_order::complement_first;
        programming_form form = programming_form::automatic;
        bool table = false;
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand("equations", "Print the array as logic: one equation per output");
    command->add_option_function<std::string>(
        "JEDEC", [given](const std::string& file) { given->file = file; },
        "The programming: a JEDEC file or another form (--from; - for standard input; default: the built-in map)");
    command->add_flag("--table", given->table, "Print the program table instead");
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    return {command, [given] {
                return finish(run_equations(programming_file(given->file), {given->order, given->form}, given->table),
                              "-", status_failed);
            }};
}

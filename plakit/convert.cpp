// plakit convert: a programming from any form it is read in to any form it is written in.
#include "forms/hdl.h"
#include "plakit/command.h"

plakit_command add_convert_command(CLI::App& plakit) {
    struct options {
        std::optional<std::string> file; // none: the built-in map
        std::string output = "-";
        target_form to = target_form::jedec;
        std::string name{hdl_default_name};
        jedec_pair_order order = jedec_pair_order::complement_first;
        programming_form form = programming_form::automatic;
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand("convert", "Write a programming in another form");
    command->add_option_function<std::string>(
        "IN", [given](const std::string& file) { given->file = file; },
        "The programming in any form plakit reads (- for standard input; default: the built-in map)");
    command
        ->add_option_function<std::string>(
            "--to",
            [given](const std::string& name) { given->to = target_form_named(name).value_or(target_form::jedec); },
            "The form to write")
        ->check(CLI::IsMember({"jedec", "fuses", "pla", "equations", "table", "verilog", "vhdl"}))
        ->option_text("jedec|fuses|pla|equations|table|verilog|vhdl")
        ->required();
    command->add_option("-o,--output", given->output, "The file to write (default: standard output)");
    command->add_option("--name", given->name, "The Verilog module's or VHDL entity's name")
        ->check(CLI::Validator([](const std::string& name) { return hdl_name_fault(name); }, "NAME"))
        ->capture_default_str();
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    return {command, [given, command] {
                if (command->count("--name") > 0 && given->to != target_form::verilog &&
                    given->to != target_form::vhdl) {
                    print_line(
                        "plakit: --name names a Verilog module or VHDL entity, and --to is not verilog or "
                        "vhdl; try 'plakit convert --help'");
                    return status_usage;
                }
                return finish(
                    run_convert(programming_file(given->file), {given->order, given->form}, given->to, given->name),
                    given->output, status_failed);
            }};
}

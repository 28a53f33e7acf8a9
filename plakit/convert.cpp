// plakit convert: a programming from any form it is read in to any form it is written in.
#include <array>
#include <utility>

#include "forms/berkeley.h"
#include "forms/equations.h"
#include "forms/fuse_file.h"
#include "forms/hdl.h"
#include "plakit/command.h"

namespace {

enum class target_form : std::uint8_t { jedec, fuses, pla, equations, table, verilog, vhdl };

constexpr std::array<std::pair<std::string_view, target_form>, 7> target_names = {{
    {"jedec", target_form::jedec},
    {"fuses", target_form::fuses},
    {"pla", target_form::pla},
    {"equations", target_form::equations},
    {"table", target_form::table},
    {"verilog", target_form::verilog},
    {"vhdl", target_form::vhdl},
}};

std::string written(const pla_fuses& fuses, target_form form, jedec_pair_order order, const std::string& name) {
    switch (form) {
    case target_form::fuses:
        return write_fuse_file(fuses, order);
    case target_form::pla:
        return write_berkeley_pla(fuses);
    case target_form::equations:
        return equations_text(fuses);
    case target_form::table:
        return program_table_text(fuses);
    case target_form::verilog:
        return write_verilog(fuses, name);
    case target_form::vhdl:
        return write_vhdl(fuses, name);
    case target_form::jedec:
        break;
    }
    return write_jedec(fuses, order, plakit_version());
}

} // namespace

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
            [given](const std::string& name) {
                for (const auto& [target_name, target] : target_names) {
                    if (target_name == name) {
                        given->to = target;
                    }
                }
            },
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
    return {command, [given] {
                pla_fuses fuses{};
                if (!read_fuses(given->file, given->order, fuses, given->form)) {
                    return status_failed;
                }
                const std::string text = written(fuses, given->to, given->order, given->name);
                return write_output(given->output, text) ? status_done : status_failed;
            }};
}

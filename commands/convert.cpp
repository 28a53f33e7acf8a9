#include <algorithm>
#include <array>
#include <utility>

#include "commands/common.h"
#include "forms/berkeley.h"
#include "forms/equations.h"
#include "forms/fuse_file.h"
#include "forms/hdl.h"
#include "jedec/jedec.h"

namespace {

constexpr std::array<std::pair<std::string_view, target_form>, 7> target_names = {{
    {"jedec", target_form::jedec},
    {"fuses", target_form::fuses},
    {"pla", target_form::pla},
    {"equations", target_form::equations},
    {"table", target_form::table},
    {"verilog", target_form::verilog},
    {"vhdl", target_form::vhdl},
}};

} // namespace

std::optional<target_form> target_form_named(std::string_view name) noexcept {
    const auto* found = std::find_if(target_names.begin(), target_names.end(),
                                     [name](const auto& target) { return target.first == name; });
    return found != target_names.end() ? std::optional{found->second} : std::nullopt;
}

command_result run_equations(const command_programming& programming, const programming_options& options, bool table) {
    return run_convert(programming, options, table ? target_form::table : target_form::equations, hdl_default_name);
}

command_result run_convert(const command_programming& programming, const programming_options& options,
                           target_form target, std::string_view name) {
    command_result result;
    pla_fuses fuses{};
    if (!read_fuses(programming, options, fuses, result.messages)) {
        result.status = status_failed;
        return result;
    }
    result.output = [&] {
        switch (target) {
        case target_form::fuses:
            return write_fuse_file(fuses, options.order);
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
        return write_jedec(fuses, options.order, version_line);
    }();
    return result;
}

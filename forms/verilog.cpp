#include <cctype>

#include "forms/hdl.h"
#include "forms/hdl_terms.h"

bool is_hdl_name(std::string_view name) noexcept {
    if (name.empty() || std::isalpha(static_cast<unsigned char>(name[0])) == 0 || name.back() == '_') {
        return false;
    }
    for (std::size_t at = 1; at < name.size(); ++at) {
        const auto character = static_cast<unsigned char>(name[at]);
        const bool underscore = character == '_';
        if (character >= 0x80 || (std::isalnum(character) == 0 && !underscore) || (underscore && name[at - 1] == '_')) {
            return false;
        }
    }
    return true;
}

std::string write_verilog(const pla_fuses& fuses, std::string_view name) {
    std::string text =
        "// The 82S100's programming as logic, one assign per output.\n"
        "// I0-I15 and F0-F7 are the array's own pins, not an EPROM's address and data lines.\n"
        "module " +
        std::string{name} + " (\n";
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        text += "    input  wire I" + std::to_string(input) + ",\n";
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        text += "    output wire F" + std::to_string(output) + (output + 1 < pla_output_count ? ",\n" : "\n");
    }
    text += ");\n";
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        const std::string sum = hdl_sum(fuses, output, {" & ", "~", "\n        | ", "1'b1", "1'b0"});
        const bool inverted = fuses[pla_polarity_fuse(output)] == 1;
        text += "    assign F" + std::to_string(output) + " = " + (inverted ? "~(" + sum + ")" : sum) + ";\n";
    }
    text += "endmodule\n";
    return text;
}

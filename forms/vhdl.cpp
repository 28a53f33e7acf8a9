#include "forms/hdl.h"
#include "forms/hdl_terms.h"

std::string write_vhdl(const pla_fuses& fuses, std::string_view name) {
    const std::string entity{name};
    std::string text =
        "-- The 82S100's programming as logic, one assignment per output.\n"
        "-- I0-I15 and F0-F7 are the array's own pins, not an EPROM's address and data lines.\n"
        "library ieee;\n"
        "use ieee.std_logic_1164.all;\n\n"
        "entity " +
        entity + " is\n    port (\n";
    for (std::size_t input = 0; input < pla_input_count; ++input) {
        text += "        I" + std::to_string(input) + " : in  std_logic;\n";
    }
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        text +=
            "        F" + std::to_string(output) + " : out std_logic" + (output + 1 < pla_output_count ? ";\n" : "\n");
    }
    text += "    );\nend entity " + entity + ";\n\narchitecture logic of " + entity + " is\nbegin\n";
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        const std::string sum = hdl_sum(fuses, output, {" and ", "not ", "\n        or ", "'1'", "'0'"});
        const bool inverted = fuses[pla_polarity_fuse(output)] == 1;
        text += "    F" + std::to_string(output) + " <= " + (inverted ? "not (" + sum + ")" : sum) + ";\n";
    }
    text += "end architecture logic;\n";
    return text;
}

// The programming as a hardware description, for a CPLD or an FPGA that takes the
// array's place: the same pins (I0-I15 in, F0-F7 out), each output the sum of its
// products with its polarity applied. Terms that can never be true are left out.
#pragma once

#include <string>
#include <string_view>

#include "pla/pla.h"

inline constexpr std::string_view hdl_default_name = "pla_82s100";

// Whether `name` can name a Verilog module and a VHDL entity: a letter, then letters,
// digits and single underscores, not ending in one.
bool is_hdl_name(std::string_view name) noexcept;

// Why `name` cannot name the module and the entity, or "" when it can: it is no name
// (is_hdl_name), a reserved word of Verilog or of VHDL (in any case, as VHDL matches
// them), or a name the VHDL file uses itself.
std::string hdl_name_fault(std::string_view name);

// One Verilog module `name`, one `assign` per output.
std::string write_verilog(const pla_fuses& fuses, std::string_view name);

// One VHDL entity `name` and its architecture, one assignment per output.
std::string write_vhdl(const pla_fuses& fuses, std::string_view name);

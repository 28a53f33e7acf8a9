// libFuzzer target for the readers of plakit's equations and program table: any bytes give
// a map or a fault, never a crash, a hang or a leak; a map that reads prints text that
// reads to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "forms/equations.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes as text
    const std::string_view text{reinterpret_cast<const char*>(data), size};
    pla_fuses fuses{};
    if (!read_equations(text, fuses)) {
        const std::string printed = equations_text(fuses);
        pla_fuses again{};
        if (read_equations(printed, again) || equations_text(again) != printed) {
            std::abort();
        }
    }
    if (!read_program_table(text, fuses)) {
        const std::string printed = program_table_text(fuses);
        pla_fuses again{};
        if (read_program_table(printed, again) || program_table_text(again) != printed) {
            std::abort();
        }
    }
    return 0;
}

// libFuzzer target for the Berkeley PLA reader: any bytes give a map or a fault, never a
// crash, a hang or a leak; a map that reads writes a file that reads to the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "forms/berkeley.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes as text
    const std::string_view text{reinterpret_cast<const char*>(data), size};
    pla_fuses fuses{};
    if (read_berkeley_pla(text, fuses)) {
        return 0;
    }
    const std::string written = write_berkeley_pla(fuses);
    pla_fuses again{};
    if (read_berkeley_pla(written, again) || write_berkeley_pla(again) != written) {
        std::abort();
    }
    return 0;
}

// libFuzzer target for the JEDEC reader: any bytes must give a map or a fault, never a
// crash, a hang or a leak; and a map that reads must write and read back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "jedec/jedec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes as text
    const std::string_view text{reinterpret_cast<const char*>(data), size};
    for (const auto order : {jedec_pair_order::complement_first, jedec_pair_order::true_first}) {
        pla_fuses fuses{};
        if (read_jedec(text, order, fuses)) {
            continue;
        }
        pla_fuses again{};
        if (read_jedec(write_jedec(fuses, order, "fuzz"), order, again) || again != fuses) {
            std::abort();
        }
    }
    return 0;
}

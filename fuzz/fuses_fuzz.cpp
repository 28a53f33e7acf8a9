// libFuzzer target for the fuse file reader: any bytes give a map or a fault, never a
// crash; a map that reads writes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "forms/fuse_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes
    const std::string_view bytes{reinterpret_cast<const char*>(data), size};
    for (const auto order : {jedec_pair_order::complement_first, jedec_pair_order::true_first}) {
        pla_fuses fuses{};
        if (!read_fuse_file(bytes, order, fuses) && write_fuse_file(fuses, order) != bytes) {
            std::abort();
        }
    }
    return 0;
}

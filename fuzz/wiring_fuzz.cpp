// libFuzzer target for the wiring file reader: any bytes give a wiring or a fault, never a
// crash, a hang or a leak; a fault's message holds no control character; a wiring that
// reads writes a file that reads to the same wiring and the same file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "wiring/wiring_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes as text
    const std::string_view text{reinterpret_cast<const char*>(data), size};
    eprom_wiring wiring{};
    if (const auto error = read_wiring_text(text, wiring)) {
        const bool printable = std::all_of(error->message.begin(), error->message.end(),
                                           [](char character) { return character >= ' ' && character < '\x7F'; });
        if (!printable || error->line == 0 || error->column == 0) {
            std::abort();
        }
        return 0;
    }
    const std::string written = write_wiring_text(wiring);
    eprom_wiring again{};
    if (read_wiring_text(written, again) || write_wiring_text(again) != written) {
        std::abort();
    }
    return 0;
}

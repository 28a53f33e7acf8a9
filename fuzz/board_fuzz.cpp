// libFuzzer target for the GAL board file reader: any bytes give a board or a fault, never a
// crash, a hang or a leak; a fault's message holds no control character; a board that reads
// writes a file that reads to the same board and the same file. The first byte's low bit
// says whether /CE is tied active, as --ce tied does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gal/board.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool ce_tied = (data[0] & 1U) != 0;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes as text
    const std::string_view text{reinterpret_cast<const char*>(data + 1), size - 1};
    gal_board board{};
    gal_board_places places{};
    if (const auto error = read_gal_board(text, ce_tied, board, places)) {
        const bool printable = std::all_of(error->message.begin(), error->message.end(),
                                           [](char character) { return character >= ' ' && character < '\x7F'; });
        if (!printable || error->message.empty()) {
            std::abort();
        }
        return 0;
    }
    gal_spill_pins no_spills{};
    for (auto& chip : no_spills) {
        chip.fill(gal_signal_none);
    }
    const std::string written = write_gal_board(board, no_spills, "");
    gal_board again{};
    if (read_gal_board(written, ce_tied, again, places) || write_gal_board(again, no_spills, "") != written) {
        std::abort();
    }
    return 0;
}

#include <array>
#include <cstdint>

#include "commands/common.h"
#include "eprom/image.h"

command_result run_image(const command_programming& programming, const programming_options& options,
                         const command_wiring& wiring) {
    command_result result;
    pla_fuses fuses{};
    eprom_wiring through{};
    if (!read_fuses(programming, options, fuses, result.messages) || !read_wiring(wiring, through, result.messages)) {
        result.status = status_failed;
        return result;
    }
    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image, fuses, through);
    result.output = text_of(image);
    return result;
}

#include "eprom/image.h"

#include "eprom/wiring.h"
#include "pla/pla.h"

void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image) noexcept {
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        const std::uint16_t inputs = address_to_pla_inputs(static_cast<std::uint16_t>(address));
        image[address] = pla_outputs_to_data(pla_evaluate(inputs));
    }
}

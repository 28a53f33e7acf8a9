#include "eprom/image.h"

#include "eprom/wiring.h"
#include "pla/evaluator.h"
#include "pla/pla.h"

void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image) noexcept {
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        const std::uint16_t inputs = address_to_pla_inputs(static_cast<std::uint16_t>(address));
        image[address] = pla_outputs_to_data(pla_evaluate(inputs));
    }
}

void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image, const pla_fuses& fuses,
                       eprom_wiring wiring) noexcept {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        const auto lines = static_cast<std::uint16_t>(address);
        if (wiring == eprom_wiring::adapter) {
            image[address] = pla_outputs_to_data(evaluate_with(evaluator, address_to_pla_inputs(lines)));
        } else {
            image[address] = evaluate_with(evaluator, lines);
        }
    }
}

void eprom_image_to_truth_table(std::span<const std::uint8_t, eprom_image_size> image, eprom_wiring wiring,
                                std::span<std::uint8_t, eprom_image_size> table) noexcept {
    for (std::size_t word = 0; word < eprom_image_size; ++word) {
        const auto inputs = static_cast<std::uint16_t>(word);
        table[word] =
            wiring == eprom_wiring::adapter ? data_to_pla_outputs(image[pla_inputs_to_address(inputs)]) : image[word];
    }
}

#include "eprom/image.h"

#include <array>
#include <utility>

#include "eprom/wiring.h"
#include "pla/evaluator.h"
#include "pla/pla.h"

void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image) noexcept {
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        const std::uint16_t inputs = address_to_pla_inputs(static_cast<std::uint16_t>(address));
        image[address] = pla_outputs_to_data(pla_evaluate(inputs));
    }
}

namespace {

// The image for an evaluator as small as the map allows: each byte of live terms costs
// a lookup per address.
template <std::size_t TermBytes>
void build_image_with(std::span<std::uint8_t, eprom_image_size> image, const pla_fuses& fuses,
                      const eprom_wiring_lookups& lookups) noexcept {
    const auto evaluator = derive_pla_evaluator<TermBytes>(fuses);
    for (std::size_t address = 0; address < eprom_image_size; ++address) {
        const std::uint16_t inputs = address_to_pla_inputs(lookups, static_cast<std::uint16_t>(address));
        image[address] = pla_outputs_to_data(lookups, evaluate_with(evaluator, inputs));
    }
}

using image_builder = void (*)(std::span<std::uint8_t, eprom_image_size> image, const pla_fuses& fuses,
                               const eprom_wiring_lookups& lookups) noexcept;

template <std::size_t... TermBytes>
constexpr std::array<image_builder, sizeof...(TermBytes)>
image_builders(std::index_sequence<TermBytes...> /*counts*/) noexcept {
    return {&build_image_with<TermBytes>...};
}

// One for each number of bytes of live terms, 0 to max_term_bytes.
constexpr auto builders = image_builders(std::make_index_sequence<max_term_bytes + 1>{});

} // namespace

void build_eprom_image(std::span<std::uint8_t, eprom_image_size> image, const pla_fuses& fuses,
                       const eprom_wiring& wiring) noexcept {
    if (wiring == eprom_wiring::adapter) {
        builders[pla_term_bytes(fuses)](image, fuses, adapter_lookups);
        return;
    }
    const eprom_wiring_lookups lookups = derive_wiring_lookups(wiring);
    builders[pla_term_bytes(fuses)](image, fuses, lookups);
}

void eprom_image_to_truth_table(std::span<const std::uint8_t, eprom_image_size> image, const eprom_wiring& wiring,
                                std::span<std::uint8_t, eprom_image_size> table) noexcept {
    const eprom_wiring_reverse_lookups lookups = derive_wiring_reverse_lookups(wiring);
    for (std::size_t word = 0; word < eprom_image_size; ++word) {
        const auto inputs = static_cast<std::uint16_t>(word);
        table[word] = data_to_pla_outputs(lookups, image[pla_inputs_to_address(lookups, inputs)]);
    }
}

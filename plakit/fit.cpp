// plakit fit: a programming recovered from an EPROM image or a truth table, as a JEDEC file.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "minimize/minimize.h"
#include "pla/evaluator.h"
#include "plakit/command.h"

namespace {

// H (active high, the plain sum) or L (inverted) for each output, F0 first, as the
// program table writes them.
std::string polarity_letters(std::uint8_t inverted) {
    std::string letters;
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        letters += ((inverted >> output) & 1U) != 0 ? 'L' : 'H';
    }
    return letters;
}

// The first input word for which the array programmed with `fuses` does not drive
// table[word], or none.
std::optional<std::size_t> first_difference(const pla_fuses& fuses,
                                            std::span<const std::uint8_t, fit_table_size> table) {
    const auto evaluator = derive_pla_evaluator<max_term_bytes>(fuses);
    for (std::size_t word = 0; word < fit_table_size; ++word) {
        if (evaluate_with(evaluator, static_cast<std::uint16_t>(word)) != table[word]) {
            return word;
        }
    }
    return std::nullopt;
}

// Files up to this size are read whole to tell their size; larger ones are refused as larger.
constexpr std::size_t longest_file_sized = std::size_t{16} << 20;

std::string hex_word(std::size_t word) {
    std::array<char, 8> text{};
    (void)std::snprintf(text.data(), text.size(), "0x%04zX", word); // always fits
    return text.data();
}

} // namespace

plakit_command add_fit_command(CLI::App& plakit) {
    struct options {
        std::string file;
        std::string output = "-";
        jedec_pair_order order = jedec_pair_order::complement_first;
        std::string wiring = "adapter";
    };
    auto given = std::make_shared<options>();
    CLI::App* command =
        plakit.add_subcommand("fit", "Find a programming of at most 48 terms that drives an image, as a JEDEC file");
    command->add_option("IMAGE", given->file, "The 65,536-byte image or truth table (- for standard input)")
        ->required();
    command->add_option("-o,--output", given->output, "The JEDEC file to write (default: standard output)");
    add_pairs_option(*command, given->order);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (wiring_and_input_both_stdin("fit", {"IMAGE", given->file}, given->wiring)) {
                    return status_usage;
                }
                const std::string name = input_name(given->file);
                eprom_wiring wiring{};
                if (!read_wiring(given->wiring, wiring)) {
                    return status_failed;
                }
                std::string bytes;
                // Read past the image's size, so that a long file's size is told as a short one's.
                if (!read_input(given->file, longest_file_sized, bytes)) {
                    return status_failed;
                }
                if (bytes.size() != eprom_image_size) {
                    report(name, std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes") +
                                     ", not 65536: not an EPROM image");
                    return status_failed;
                }
                static std::array<std::uint8_t, eprom_image_size> image;
                static std::array<std::uint8_t, fit_table_size> table;
                std::copy(bytes.begin(), bytes.end(), image.begin());
                eprom_image_to_truth_table(image, wiring, table);
                const fit_result result = fit_truth_table(table);
                if (!result.found) {
                    // One term for each input word always drives the table: a cover larger than
                    // that only shows where the search stopped.
                    std::string reason = "no programming of at most 48 terms: ";
                    reason += result.terms.size() <= fit_table_size
                                  ? "the fewest reached is " + std::to_string(result.terms.size())
                                  : "the search stopped early";
                    if (result.lower_bound != 0) {
                        reason += ", and at least " + std::to_string(result.lower_bound) + " are needed";
                    }
                    report(name, reason);
                    return status_failed;
                }
                const pla_fuses fuses = fit_fuses(result);
                // Written only when the array, programmed so, drives every input word as asked.
                if (const auto word = first_difference(fuses, table)) {
                    report(name, "the programming found differs at input word " + hex_word(*word) +
                                     " (a fault of plakit's): not written");
                    return status_failed;
                }
                if (!write_output(given->output, write_jedec(fuses, given->order, plakit_version()))) {
                    return status_failed;
                }
                report(name, std::to_string(result.terms.size()) + " terms, polarity " +
                                 polarity_letters(result.inverted_outputs));
                return status_done;
            }};
}

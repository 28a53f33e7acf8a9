// plakit fit: a programming recovered from an EPROM image or a truth table, as a JEDEC file.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "plakit/command.h"

namespace {

// Files up to this size are read whole to tell their size; larger ones are refused as larger.
constexpr std::size_t longest_file_sized = std::size_t{16} << 20;

} // namespace

plakit_command add_fit_command(CLI::App& plakit) {
    struct options {
        std::string file;
        std::string output = "-";
        jedec_pair_order order = jedec_pair_order::complement_first;
        std::string wiring = "adapter";
        double effort = 1;
    };
    auto given = std::make_shared<options>();
    CLI::App* command =
        plakit.add_subcommand("fit", "Find a programming of at most 48 terms that drives an image, as a JEDEC file");
    command->add_option("IMAGE", given->file, "The 65,536-byte image or truth table (- for standard input)")
        ->required();
    command->add_option("-o,--output", given->output, "The JEDEC file to write (default: standard output)");
    add_pairs_option(*command, given->order);
    add_wiring_option(*command, given->wiring);
    command
        ->add_option("--effort", given->effort,
                     "How long the search for the fewest terms and its proof may go on, as a multiple of the "
                     "default (about 2 s at most): 4 for a hard table, 0.25 for a quick answer")
        ->check(CLI::Validator(
            [](const std::string& text) {
                char* end = nullptr;
                const double times = std::strtod(text.c_str(), &end);
                return !text.empty() && *end == '\0' && times >= 0 && times <= 1000 ? std::string{}
                                                                                    : "not a number from 0 to 1000";
            },
            "TIMES"))
        ->option_text("TIMES (default: 1)");
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
                if (const auto problem = fit_size_problem(bytes.size())) {
                    report(name, *problem);
                    return status_failed;
                }
                static std::array<std::uint8_t, eprom_image_size> image;
                static std::array<std::uint8_t, fit_table_size> table;
                std::copy(bytes.begin(), bytes.end(), image.begin());
                eprom_image_to_truth_table(image, wiring, table);
                static const std::vector<std::uint8_t> every_level(fit_table_size, 0xFF);
                const auto steps = static_cast<std::uint64_t>(given->effort * static_cast<double>(fit_default_effort));
                const fit_result result =
                    fit_design(table, std::span<const std::uint8_t, fit_table_size>(every_level.data(), fit_table_size),
                               {pla_term_count, steps});
                if (!result.found) {
                    report(name, fit_outcome_text(result));
                    return status_failed;
                }
                const pla_fuses fuses = fit_fuses(result);
                // Written only when the array, programmed so, drives every input word as asked.
                if (const auto problem = fit_check_problem(fuses, table)) {
                    report(name, *problem);
                    return status_failed;
                }
                if (!write_output(given->output, write_jedec(fuses, given->order, plakit_version()))) {
                    return status_failed;
                }
                report(name, fit_outcome_text(result));
                return status_done;
            }};
}

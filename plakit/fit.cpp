// plakit fit: a programming recovered from an EPROM image or a truth table, or found for
// a design (a Berkeley PLA or equations, don't-cares free), as a JEDEC file.
#include <algorithm>
#include <array>
#include <string>

#include "forms/compare.h"
#include "forms/design.h"
#include "minimize/fit_report.h"
#include "minimize/minimize.h"
#include "plakit/command.h"

namespace {

// Files up to this size are read whole to tell their size; larger ones are refused as larger.
constexpr std::size_t longest_file_sized = std::size_t{16} << 20;

// What fit reads: an image (through the wiring) or a design, told from the content.
enum class fit_input : std::uint8_t { automatic, image, pla, equations };

using table_span = std::span<const std::uint8_t, fit_table_size>;

// Why the array programmed with `fuses` is not written for the design: the first word
// where it differs from it, where the design cares; none when it agrees everywhere so.
std::optional<std::string> design_check_problem(const pla_fuses& fuses, table_span table, table_span care) {
    static std::array<std::uint8_t, pla_word_count> driven;
    pla_truth_table(fuses, driven);
    const programming_comparison comparison = compare_where_cared(driven, table, care);
    for (std::size_t output = 0; output < pla_output_count; ++output) {
        if (!comparison.outputs[output].first_words.empty()) {
            return "the programming found differs from the design at F" + std::to_string(output) +
                   " (a fault of plakit's): not written";
        }
    }
    return std::nullopt;
}

// What fit reads a file as: `from`, or told from the content (a design padded to 64 KiB
// is still a design).
fit_input told_input(std::string_view bytes, fit_input from) {
    if (from != fit_input::automatic) {
        return from;
    }
    if (bytes.size() == fit_table_size && !holds_text_form(bytes)) {
        return fit_input::image;
    }
    const programming_form form = recognise_form(bytes);
    return form == programming_form::pla         ? fit_input::pla
           : form == programming_form::equations ? fit_input::equations
                                                 : fit_input::image;
}

struct fit_source {
    std::string name;
    fit_input from;
    jedec_pair_order order;
    eprom_wiring wiring;
};

// Reads `bytes`, the whole of the file `source` names, into `wanted`: an image through
// the wiring (cared for everywhere), or a design. Reports any fault and returns false.
bool read_fitted(std::string_view bytes, const fit_source& source, design& wanted) {
    const fit_input from = told_input(bytes, source.from);
    if (from == fit_input::image) {
        if (const auto problem = fit_size_problem(bytes.size())) {
            report(source.name, *problem);
            return false;
        }
        static std::array<std::uint8_t, eprom_image_size> image;
        std::copy(bytes.begin(), bytes.end(), image.begin());
        wanted.table.resize(fit_table_size);
        wanted.care.assign(fit_table_size, 0xFF);
        wanted.placement.clear();
        eprom_image_to_truth_table(image, source.wiring,
                                   std::span<std::uint8_t, fit_table_size>{wanted.table.data(), fit_table_size});
        return true;
    }
    if (bytes.size() > jedec_max_file_size) {
        report(source.name, "larger than " + std::to_string(jedec_max_file_size >> 10) + " KiB: refused");
        return false;
    }
    const programming_form form = from == fit_input::pla ? programming_form::pla : programming_form::equations;
    if (const auto error = read_design(bytes, form, source.order, wanted)) {
        report(source.name + form_error_place(*error), error->message);
        return false;
    }
    return true;
}

} // namespace

plakit_command add_fit_command(CLI::App& plakit) {
    struct options {
        std::string file;
        std::string output = "-";
        jedec_pair_order order = jedec_pair_order::complement_first;
        std::string wiring = "adapter";
        fit_input from = fit_input::automatic;
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand(
        "fit", "Find a programming of at most 48 terms that drives an image or meets a design, as a JEDEC file");
    command
        ->add_option("IMAGE", given->file,
                     "The 65,536-byte image or truth table, or a design: a Berkeley PLA or equations (- for "
                     "standard input)")
        ->required();
    command->add_option("-o,--output", given->output, "The JEDEC file to write (default: standard output)");
    command
        ->add_option_function<std::string>(
            "--from",
            [given](const std::string& name) {
                given->from = name == "image" ? fit_input::image : fit_input::pla;
                given->from = name == "equations" ? fit_input::equations : given->from;
            },
            "What DESIGN is (default: told from its content)")
        ->check(CLI::IsMember({"image", "pla", "equations"}))
        ->option_text("image|pla|equations");
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
                static design wanted;
                if (!read_fitted(bytes, {name, given->from, given->order, wiring}, wanted)) {
                    return status_failed;
                }
                if (!wanted.placement.empty()) {
                    report(name, wanted.placement);
                }
                const table_span table{wanted.table.data(), fit_table_size};
                const table_span care{wanted.care.data(), fit_table_size};
                const fit_result result = fit_design(table, care, fit_options{});
                if (!result.found) {
                    report(name, fit_outcome_text(result));
                    return status_failed;
                }
                const pla_fuses fuses = fit_fuses(result);
                // Written only when the array, programmed so, drives every input word as asked.
                if (const auto problem = cares_everywhere(wanted) ? fit_check_problem(fuses, table)
                                                                  : design_check_problem(fuses, table, care)) {
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

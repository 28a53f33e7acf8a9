#include <algorithm>
#include <cstdlib>

#include "commands/common.h"
#include "forms/design.h"
#include "forms/equations.h"
#include "jedec/jedec.h"
#include "minimize/fit_report.h"
#include "minimize/minimize.h"

namespace {

using table_span = std::span<const std::uint8_t, fit_table_size>;

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

// Reads `bytes`, the whole of `file`, into `wanted`: an image through the wiring (cared for
// everywhere), or a design, as `from` (told) says; or adds the line that says why not.
bool read_fitted(const command_file& file, std::string_view bytes, fit_input from, jedec_pair_order order,
                 const eprom_wiring& wiring, design& wanted, std::vector<std::string>& messages) {
    if (from == fit_input::image) {
        if (const auto problem = fit_size_problem(bytes.size())) {
            messages.push_back(failure_line(file.name, *problem));
            return false;
        }
        wanted.table.resize(fit_table_size);
        wanted.care.assign(fit_table_size, 0xFF);
        wanted.placement.clear();
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
        const std::span<const std::uint8_t, eprom_image_size> image{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                                    eprom_image_size};
        eprom_image_to_truth_table(image, wiring,
                                   std::span<std::uint8_t, fit_table_size>{wanted.table.data(), fit_table_size});
        return true;
    }
    if (bytes.size() > programming_size_limit) {
        messages.push_back(failure_line(file.name, size_refusal(programming_size_limit)));
        return false;
    }
    const programming_form form = from == fit_input::pla ? programming_form::pla : programming_form::equations;
    form_warnings warnings;
    if (const auto error = read_design(bytes, form, order, wanted, &warnings)) {
        messages.push_back(failure_line(file.name + form_error_place(*error), error->message));
        return false;
    }
    add_warnings(file, warnings, messages);
    return true;
}

// What fit says of the search: its words name an image, and of a design, the design.
std::string outcome_of(const fit_result& found, fit_input told) {
    std::string text = fit_outcome_text(found);
    constexpr std::string_view of_image = "drives this image";
    if (const std::size_t place = text.find(of_image); told != fit_input::image && place != std::string::npos) {
        text.replace(place, of_image.size(), "meets this design");
    }
    return text;
}

} // namespace

std::optional<std::string> fit_effort_problem(const std::string& text) {
    // Decimal digits with at most one point: no sign, exponent, blank or hexadecimal, which
    // strtod would take.
    const auto digits =
        std::count_if(text.begin(), text.end(), [](char digit) { return digit >= '0' && digit <= '9'; });
    const auto points = std::count(text.begin(), text.end(), '.');
    if (digits == 0 || points > 1 || static_cast<std::size_t>(digits + points) != text.size()) {
        return "not a number from 0 to 1000";
    }
    char* end = nullptr;
    const double times = std::strtod(text.c_str(), &end);
    if (*end == '\0' && times >= 0 && times <= 1000) {
        return std::nullopt;
    }
    return "not a number from 0 to 1000";
}

command_result run_fit(const command_file& image, jedec_pair_order order, const command_wiring& wiring, double effort,
                       fit_input from, std::string* table_text) {
    if (table_text != nullptr) {
        table_text->clear();
    }
    command_result result;
    result.status = status_failed;
    eprom_wiring through{};
    if (!read_wiring(wiring, through, result.messages)) {
        return result;
    }
    std::string bytes;
    // Read past the image's size, so that a long file's size is told as a short one's.
    if (!image.read(image_size_limit, bytes, result.messages)) {
        return result;
    }
    static design wanted;
    const fit_input told = told_input(bytes, from);
    if (!read_fitted(image, bytes, told, order, through, wanted, result.messages)) {
        return result;
    }
    if (!wanted.placement.empty()) {
        result.messages.push_back(failure_line(image.name, wanted.placement));
    }
    const table_span table{wanted.table.data(), fit_table_size};
    const table_span care{wanted.care.data(), fit_table_size};
    const auto steps =
        static_cast<std::uint64_t>(std::clamp(effort, 0.0, 1000.0) * static_cast<double>(fit_default_effort));
    const fit_result found = fit_design(table, care, {pla_term_count, steps});
    if (!found.found) {
        result.messages.push_back(failure_line(image.name, outcome_of(found, told)));
        return result;
    }
    const pla_fuses fuses = fit_fuses(found);
    // Written only when the array, programmed so, drives every input word as asked (where the design cares).
    if (const auto problem = fit_check_problem(fuses, table, care)) {
        result.messages.push_back(failure_line(image.name, *problem));
        return result;
    }
    result.status = status_done;
    result.output = write_jedec(fuses, order, version_line);
    if (table_text != nullptr) {
        *table_text = program_table_text(fuses);
    }
    result.messages.push_back(failure_line(image.name, outcome_of(found, told)));
    return result;
}

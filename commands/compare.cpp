#include <algorithm>
#include <array>
#include <optional>

#include "commands/common.h"
#include "eprom/image.h"
#include "forms/compare.h"
#include "forms/design.h"
#include "text/text_lines.h"

namespace {

// One side of compare: its truth table and where it matters (everywhere but a design's
// don't-cares), and its fuse map when it is a programming.
struct compared_side {
    std::array<std::uint8_t, pla_word_count> table{};
    std::array<std::uint8_t, pla_word_count> care{};
    std::optional<pla_fuses> fuses;
    bool design = false;
};

// A 65,536-byte file is an image when the form is told from the content and the content is
// not a text form (a JEDEC file padded to the EPROM's size is still JEDEC). A Berkeley PLA
// or equations are read as a design; one that is a programming of the array too, caring
// everywhere, keeps its fuse map. Any other form is a programming.
bool read_side(const command_file& file, const programming_options& options, const eprom_wiring& wiring,
               compared_side& side, std::vector<std::string>& messages) {
    std::string bytes;
    if (!file.read(programming_size_limit, bytes, messages)) {
        return false;
    }
    side.care.fill(0xFF);
    side.fuses.reset();
    side.design = false;
    if (options.form == programming_form::automatic && bytes.size() == eprom_image_size && !holds_text_form(bytes)) {
        eprom_image_to_truth_table(bytes_of(bytes).first<eprom_image_size>(), wiring, side.table);
        return true;
    }
    const programming_form told = options.form == programming_form::automatic ? recognise_form(bytes) : options.form;
    if (told == programming_form::pla || told == programming_form::equations) {
        static design wanted;
        form_warnings warnings;
        if (const auto error = read_design(bytes, told, options.order, wanted, &warnings)) {
            messages.push_back(failure_line(file.name + form_error_place(*error), error->message));
            return false;
        }
        add_warnings(file, warnings, messages);
        std::copy(wanted.table.begin(), wanted.table.end(), side.table.begin());
        std::copy(wanted.care.begin(), wanted.care.end(), side.care.begin());
        side.design = !cares_everywhere(wanted);
        if (pla_fuses fuses{}; !side.design && !read_programming(bytes, told, options.order, fuses)) {
            side.fuses = fuses;
        }
        return true;
    }
    pla_fuses fuses{};
    if (!parse_programming(file, bytes, options, fuses, messages)) {
        return false;
    }
    pla_truth_table(fuses, side.table);
    side.fuses = fuses;
    return true;
}

// Who cares where the comparison looked: none for two programmings.
std::string cared_by(const std::string& first_name, const compared_side& first, const std::string& second_name,
                     const compared_side& second) {
    if (first.design && second.design) {
        return "both designs care";
    }
    if (first.design || second.design) {
        return (first.design ? first_name : second_name) + " cares";
    }
    return {};
}

} // namespace

command_result run_compare(const command_file& first, const command_file& second, const programming_options& options,
                           const command_wiring& wiring) {
    command_result result;
    result.status = status_trouble;
    eprom_wiring through{};
    if (!read_wiring(wiring, through, result.messages)) {
        return result;
    }
    static compared_side one;
    static compared_side other;
    if (!read_side(first, options, through, one, result.messages) ||
        !read_side(second, options, through, other, result.messages)) {
        return result;
    }
    programming_comparison comparison;
    if (one.design || other.design) {
        static std::array<std::uint8_t, pla_word_count> care;
        std::transform(one.care.begin(), one.care.end(), other.care.begin(), care.begin(),
                       [](std::uint8_t left, std::uint8_t right) { return static_cast<std::uint8_t>(left & right); });
        comparison = compare_where_cared(one.table, other.table, care);
    } else {
        comparison = compare_truth_tables(one.table, other.table);
    }
    const std::string first_name = escaped_name(first.name);
    const std::string second_name = escaped_name(second.name);
    return compared(same_logic(comparison) ? status_done : status_failed,
                    comparison_text(first_name, second_name, comparison, one.fuses ? &*one.fuses : nullptr,
                                    other.fuses ? &*other.fuses : nullptr,
                                    cared_by(first_name, one, second_name, other)),
                    std::move(result.messages));
}

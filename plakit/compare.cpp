// plakit compare: whether two programmings, or EPROM images, are the same logic.
#include <algorithm>
#include <array>
#include <cstdio>

#include "forms/compare.h"
#include "forms/design.h"
#include "plakit/command.h"

namespace {

// cmp's statuses: same, different (and trouble, status_trouble).
constexpr int status_same = 0;
constexpr int status_different = 1;

// One side: its truth table and where it matters (everywhere but a design's don't-cares),
// and its fuse map when it is a programming.
struct side {
    std::array<std::uint8_t, pla_word_count> table{};
    std::array<std::uint8_t, pla_word_count> care{};
    std::optional<pla_fuses> fuses;
    bool design = false;
};

// A 65,536-byte file is an image unless its content is a text form (a JEDEC file padded
// to the EPROM's size is still JEDEC). A Berkeley PLA or equations are read as a design;
// one that is a programming of the array too, caring everywhere, keeps its fuse map.
bool read_side(const std::string& file, programming_form form, jedec_pair_order order, const eprom_wiring& wiring,
               side& read) {
    std::string bytes;
    if (!read_input(file, jedec_max_file_size, bytes)) {
        return false;
    }
    read.care.fill(0xFF);
    if (form == programming_form::automatic && bytes.size() == eprom_image_size && !holds_text_form(bytes)) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
        const std::span<const std::uint8_t, eprom_image_size> image{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                                    eprom_image_size};
        eprom_image_to_truth_table(image, wiring, read.table);
        return true;
    }
    const programming_form told = form == programming_form::automatic ? recognise_form(bytes) : form;
    if (told == programming_form::pla || told == programming_form::equations) {
        static design wanted;
        if (const auto error = read_design(bytes, told, order, wanted)) {
            report(input_name(file) + form_error_place(*error), error->message);
            return false;
        }
        std::copy(wanted.table.begin(), wanted.table.end(), read.table.begin());
        std::copy(wanted.care.begin(), wanted.care.end(), read.care.begin());
        read.design = !cares_everywhere(wanted);
        if (pla_fuses fuses{}; !read.design && !read_programming(bytes, told, order, fuses)) {
            read.fuses = fuses;
        }
        return true;
    }
    pla_fuses fuses{};
    if (!read_fuses_from(file, bytes, order, fuses, told)) {
        return false;
    }
    pla_truth_table(fuses, read.table);
    read.fuses = fuses;
    return true;
}

// Who cares where the comparison looked: none for two programmings.
std::string cared_by(const std::string& first_name, const side& first, const std::string& second_name,
                     const side& second) {
    if (first.design && second.design) {
        return "both designs care";
    }
    if (first.design || second.design) {
        return (first.design ? first_name : second_name) + " cares";
    }
    return {};
}

} // namespace

plakit_command add_compare_command(CLI::App& plakit) {
    struct options {
        std::string a;
        std::string b;
        jedec_pair_order order = jedec_pair_order::complement_first;
        programming_form form = programming_form::automatic;
        std::string wiring = "adapter";
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand(
        "compare", "Say whether two programmings (in any form) or EPROM images are the same logic, and where not");
    command->add_option("A", given->a, "A programming in any form, or a 65,536-byte image (- for standard input)")
        ->required();
    command->add_option("B", given->b, "The other, alike")->required();
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (given->a == "-" && given->b == "-") {
                    (void)std::fprintf(stderr,
                                       "plakit: A and B cannot both be standard input; try 'plakit "
                                       "compare --help'\n");
                    return status_usage;
                }
                if (wiring_and_input_both_stdin("compare", {"A", given->a}, given->wiring) ||
                    wiring_and_input_both_stdin("compare", {"B", given->b}, given->wiring)) {
                    return status_usage;
                }
                eprom_wiring wiring{};
                if (!read_wiring(given->wiring, wiring)) {
                    return status_trouble;
                }
                static side first;
                static side second;
                if (!read_side(given->a, given->form, given->order, wiring, first) ||
                    !read_side(given->b, given->form, given->order, wiring, second)) {
                    return status_trouble;
                }
                const std::string first_name = input_name(given->a);
                const std::string second_name = input_name(given->b);
                programming_comparison comparison;
                if (first.design || second.design) {
                    static std::array<std::uint8_t, pla_word_count> care;
                    std::transform(
                        first.care.begin(), first.care.end(), second.care.begin(), care.begin(),
                        [](std::uint8_t one, std::uint8_t other) { return static_cast<std::uint8_t>(one & other); });
                    comparison = compare_where_cared(first.table, second.table, care);
                } else {
                    comparison = compare_truth_tables(first.table, second.table);
                }
                const std::string text = comparison_text(
                    first_name, second_name, comparison, first.fuses ? &*first.fuses : nullptr,
                    second.fuses ? &*second.fuses : nullptr, cared_by(first_name, first, second_name, second));
                if (!write_output("-", text)) {
                    return status_trouble;
                }
                return same_logic(comparison) ? status_same : status_different;
            }};
}

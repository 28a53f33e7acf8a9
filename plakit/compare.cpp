// plakit compare: whether two programmings, or EPROM images, are the same logic.
#include <array>
#include <cstdio>

#include "forms/compare.h"
#include "plakit/command.h"

namespace {

// cmp's statuses: same, different (and trouble, status_trouble).
constexpr int status_same = 0;
constexpr int status_different = 1;

// One side: its truth table, and its fuse map when it is a programming.
struct side {
    std::array<std::uint8_t, pla_word_count> table{};
    std::optional<pla_fuses> fuses;
};

bool read_side(const std::string& file, programming_form form, jedec_pair_order order, const eprom_wiring& wiring,
               side& read) {
    std::string bytes;
    if (!read_input(file, jedec_max_file_size, bytes)) {
        return false;
    }
    if (form == programming_form::automatic && bytes.size() == eprom_image_size) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
        const std::span<const std::uint8_t, eprom_image_size> image{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                                    eprom_image_size};
        eprom_image_to_truth_table(image, wiring, read.table);
        return true;
    }
    pla_fuses fuses{};
    if (!read_fuses_from(file, bytes, order, fuses, form)) {
        return false;
    }
    pla_truth_table(fuses, read.table);
    read.fuses = fuses;
    return true;
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
                const programming_comparison comparison = compare_truth_tables(first.table, second.table);
                const std::string text =
                    comparison_text(input_name(given->a), input_name(given->b), comparison,
                                    first.fuses ? &*first.fuses : nullptr, second.fuses ? &*second.fuses : nullptr);
                if (!write_output("-", text)) {
                    return status_trouble;
                }
                return same_logic(comparison) ? status_same : status_different;
            }};
}

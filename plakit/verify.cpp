// plakit verify: a dump read back from the burned EPROM (or several reads of it) held
// against the image it should hold, and what is wrong with it.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "diagnosis/diagnosis.h"
#include "plakit/command.h"

namespace {

// Far more than any EPROM of the family; a larger file is no dump.
constexpr std::size_t dump_size_limit = std::size_t{16} << 20;

struct verify_options {
    std::vector<std::string> dumps;
    std::optional<std::string> jedec; // none: the built-in map
    jedec_pair_order order = jedec_pair_order::complement_first;
    programming_form form = programming_form::automatic;
    std::string wiring = "adapter";
};

// Whether two inputs are standard input, which is read once; if so, reports it.
bool standard_input_twice(const verify_options& given) {
    const auto from_stdin = std::count(given.dumps.begin(), given.dumps.end(), "-");
    if (from_stdin > 1) {
        (void)std::fprintf(stderr, "plakit: two DUMPs cannot both be standard input; try 'plakit verify --help'\n");
        return true;
    }
    if (from_stdin == 1 && given.jedec == "-") {
        (void)std::fprintf(stderr,
                           "plakit: DUMP and --jedec cannot both be standard input; try 'plakit verify --help'\n");
        return true;
    }
    return wiring_and_input_both_stdin("verify", {"DUMP", from_stdin == 1 ? "-" : ""}, given.wiring) ||
           wiring_and_input_both_stdin("verify", {"--jedec", given.jedec}, given.wiring);
}

// The images burned by mistake that verify holds a dump against: the programming read in
// the other pair order, then through each named wiring other than the one given.
eprom_mix_ups mix_ups_of(const verify_options& given, const eprom_wiring& wiring) {
    eprom_mix_ups mix_ups{
        wiring, given.order == jedec_pair_order::true_first ? "--pairs complement-first" : "--pairs true-first", {}};
    for (const auto& [named, name] :
         {std::pair{eprom_wiring::adapter, "adapter"}, {eprom_wiring::straight, "straight"}}) {
        if (named != wiring) {
            mix_ups.other_wirings.push_back({named, std::string{"--wiring "} + name});
        }
    }
    return mix_ups;
}

} // namespace

plakit_command add_verify_command(CLI::App& plakit) {
    auto given = std::make_shared<verify_options>();
    CLI::App* command =
        plakit.add_subcommand("verify", "Compare a dump of the burned EPROM with its image and say what is wrong");
    command->footer(
        "Exit status: 0 the dump matches (every read of it), 1 it differs or has the wrong size, 2 trouble (a file "
        "unread, output unwritten, usage).");
    command
        ->add_option("DUMP", given->dumps,
                     "The dump read back from the EPROM (- for standard input); several reads of one chip: each")
        ->required();
    command->add_option_function<std::string>(
        "--jedec", [given](const std::string& file) { given->jedec = file; },
        "The programming: a JEDEC file or another form (--from; default: the built-in map)");
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (standard_input_twice(*given)) {
                    return status_usage;
                }
                pla_fuses fuses{};
                eprom_wiring wiring{};
                if (!read_fuses(given->jedec, given->order, fuses, given->form) ||
                    !read_wiring(given->wiring, wiring)) {
                    return status_trouble;
                }
                std::vector<std::string> dumps(given->dumps.size());
                for (std::size_t read = 0; read < dumps.size(); ++read) {
                    if (!read_input(given->dumps[read], dump_size_limit, dumps[read])) {
                        return status_trouble;
                    }
                }
                static std::array<std::uint8_t, eprom_image_size> image;
                if (!given->jedec && wiring == eprom_wiring::adapter) {
                    build_eprom_image(image); // the built-in map's tables are derived at compile time
                } else {
                    build_eprom_image(image, fuses, wiring);
                }
                std::vector<std::span<const std::uint8_t>> reads;
                std::vector<std::string> names;
                for (std::size_t read = 0; read < dumps.size(); ++read) {
                    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
                    reads.emplace_back(reinterpret_cast<const std::uint8_t*>(dumps[read].data()), dumps[read].size());
                    names.push_back(input_name(given->dumps[read]));
                }
                if (reads.size() == 1) {
                    const eprom_verification result = verify_eprom_dump(image, reads[0], mix_ups_of(*given, wiring));
                    if (!write_output("-", render_eprom_verification(names[0], result))) {
                        return status_trouble;
                    }
                    return eprom_exit_status(result);
                }
                const eprom_reads_verification result = verify_eprom_reads(image, reads, mix_ups_of(*given, wiring));
                if (!write_output("-", render_eprom_reads(names, result))) {
                    return status_trouble;
                }
                return eprom_exit_status(result);
            }};
}

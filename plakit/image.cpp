// plakit image: the EPROM image for a programming, through the adapter's wiring or another.
#include "plakit/command.h"

plakit_command add_image_command(CLI::App& plakit) {
    struct options {
        std::optional<std::string> file; // none: the built-in map
        std::string output = "82S100_EPROM.bin";
        jedec_pair_order order = jedec_pair_order::complement_first;
        programming_form form = programming_form::automatic;
        std::string wiring = "adapter";
    };
    auto given = std::make_shared<options>();
    CLI::App* command = plakit.add_subcommand("image", "Write the 65,536-byte EPROM image for a programming");
    command->add_option_function<std::string>(
        "JEDEC", [given](const std::string& file) { given->file = file; },
        "The programming: a JEDEC file or another form (--from; - for standard input; default: the built-in map)");
    command->add_option("-o,--output", given->output, "The image file (- for standard output)")->capture_default_str();
    add_pairs_option(*command, given->order);
    add_from_option(*command, given->form);
    add_wiring_option(*command, given->wiring);
    return {command, [given] {
                if (wiring_and_input_both_stdin("image", {"JEDEC", given->file}, given->wiring)) {
                    return status_usage;
                }
                return finish(
                    run_image(programming_file(given->file), {given->order, given->form}, wiring_option(given->wiring)),
                    given->output, status_failed);
            }};
}

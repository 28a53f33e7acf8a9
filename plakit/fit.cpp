// plakit fit: a programming recovered from an EPROM image or a truth table, or found for
// a design (a Berkeley PLA or equations, don't-cares free), as a JEDEC file.
#include "plakit/command.h"

plakit_command add_fit_command(CLI::App& plakit) {
    struct options {
        std::string file;
        std::string output = "-";
        jedec_pair_order order = jedec_pair_order::complement_first;
        std::string wiring = "adapter";
        double effort = 1;
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
    command
        ->add_option("--effort", given->effort,
                     "How long the search for the fewest terms and its proof may go on, as a multiple of the "
                     "default (about half a second at most): 4 for a hard table, 0.25 for a quick answer")
        ->check(CLI::Validator([](const std::string& text) { return fit_effort_problem(text).value_or(""); }, "TIMES"))
        ->option_text("TIMES (default: 1)");
    return {command, [given] {
                if (wiring_and_input_both_stdin("fit", {"IMAGE", given->file}, given->wiring)) {
                    return status_usage;
                }
                return finish(run_fit(input_file(given->file), given->order, wiring_option(given->wiring),
                                      given->effort, given->from),
                              given->output, status_failed);
            }};
}

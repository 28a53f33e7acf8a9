// plakit: everything around the burn of an 82S100's EPROM stand-in. One command a run:
// the built-in programming as a JEDEC file, its equations, EPROM images, what is wrong
// with a burned one, and a programming fitted to an image.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "plakit/command.h"

namespace {

// One line for a usage error, as CLI11's message may run over several.
std::string one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

int run_plakit(int argc, char** argv) {
    CLI::App plakit{
        "plakit: the 82S100 programming as a JEDEC file, its equations, EPROM images to burn and verify, and a "
        "programming fitted to an image",
        "plakit"};
    plakit.set_version_flag("--version", plakit_version());
    plakit.require_subcommand(1);
    const std::vector<plakit_command> commands = {
        add_jedec_command(plakit), add_image_command(plakit),  add_equations_command(plakit),
        add_fit_command(plakit),   add_verify_command(plakit), add_wiring_command(plakit),
    };
    for (const plakit_command& command : commands) {
        command.app->set_version_flag("--version", plakit_version());
    }
    try {
        plakit.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return plakit.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return plakit.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return plakit.exit(version);
    } catch (const CLI::ParseError& error) {
        const auto given = std::find_if(commands.begin(), commands.end(),
                                        [](const plakit_command& command) { return command.app->parsed(); });
        const std::string help =
            given == commands.end() ? "plakit --help" : "plakit " + given->app->get_name() + " --help";
        (void)std::fprintf(stderr, "plakit: %s; try '%s'\n", one_line(error.what()).c_str(), help.c_str());
        return status_usage;
    }
    const auto given = std::find_if(commands.begin(), commands.end(),
                                    [](const plakit_command& command) { return command.app->parsed(); });
    return given != commands.end() ? given->run() : status_usage; // require_subcommand(1) leaves one given
}

} // namespace

int main(int argc, char** argv) {
    // A reader that has gone away is reported like any other failed write. Windows has no
    // such signal: there the write fails with EPIPE.
#ifdef SIGPIPE
    (void)std::signal(SIGPIPE, SIG_IGN); // cannot fail for a valid signal
#endif
    try {
        return run_plakit(argc, argv);
    } catch (const std::exception& error) { // out of memory, or a fault of plakit's own
        (void)std::fprintf(stderr, "plakit: %s\n", error.what());
        return status_failed;
    }
}

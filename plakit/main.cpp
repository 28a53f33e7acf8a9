// plakit: everything around the burn of an 82S100's EPROM stand-in. One command a run:
// the built-in programming as a JEDEC file, its equations, EPROM images, what is wrong
// with a burned one, and a programming fitted to an image.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
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

// CLI11 lists the arguments left over last to first; they read as given here (CLI11's own
// words if it kept none).
std::string extras_text(const CLI::App& plakit, const std::vector<plakit_command>& commands,
                        const CLI::ParseError& error) {
    std::vector<std::string> extras = plakit.remaining(false);
    for (const plakit_command& command : commands) {
        if (command.app->parsed()) {
            const std::vector<std::string> own = command.app->remaining(false);
            extras.insert(extras.end(), own.begin(), own.end());
        }
    }
    if (extras.empty()) {
        return error.what();
    }
    std::string text =
        extras.size() > 1 ? "The following arguments were not expected:" : "The following argument was not expected:";
    for (const std::string& extra : extras) {
        text += " " + extra;
    }
    return text;
}

// Help or version text that could not be written is a failed output like any other: status
// 1 (verify: 2, its trouble), and the reason on stderr.
int exit_after_text(const CLI::App& plakit, const CLI::ParseError& call, const std::vector<plakit_command>& commands) {
    const int status = plakit.exit(call);
    errno = 0;
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return status;
    }
    report("standard output", std::strerror(errno != 0 ? errno : EIO)); // NOLINT(concurrency-mt-unsafe): one thread
    const auto given = std::find_if(commands.begin(), commands.end(),
                                    [](const plakit_command& command) { return command.app->parsed(); });
    return given != commands.end() && given->app->get_name() == "verify" ? status_trouble : status_failed;
}

// The first word of the command line when it is no option and names no command, or "".
std::string unknown_command(int argc, char** argv, const std::vector<plakit_command>& commands) {
    if (argc < 2) {
        return "";
    }
    std::string word = argv[1]; // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic): argc counts them
    if (word.empty() || word.front() == '-' ||
        std::any_of(commands.begin(), commands.end(),
                    [&word](const plakit_command& command) { return command.app->check_name(word); })) {
        return "";
    }
    return word;
}

int run_plakit(int argc, char** argv) {
    CLI::App plakit{
        "plakit: the 82S100 programming as a JEDEC file, its equations, EPROM images to burn and verify, a "
        "programming fitted to an image, and a pair of GAL22V10s",
        "plakit"};
    plakit.set_version_flag("--version", plakit_version());
    plakit.require_subcommand(1);
    const std::vector<plakit_command> commands = {
        add_jedec_command(plakit),   add_image_command(plakit),  add_equations_command(plakit),
        add_fit_command(plakit),     add_verify_command(plakit), add_convert_command(plakit),
        add_compare_command(plakit), add_wiring_command(plakit), add_gal_command(plakit),
    };
    for (const plakit_command& command : commands) {
        command.app->set_version_flag("--version", plakit_version());
    }
    try {
        plakit.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return exit_after_text(plakit, help, commands);
    } catch (const CLI::CallForAllHelp& help) {
        return exit_after_text(plakit, help, commands);
    } catch (const CLI::CallForVersion& version) {
        return exit_after_text(plakit, version, commands);
    } catch (const CLI::ParseError& error) {
        if (const std::string word = unknown_command(argc, argv, commands); !word.empty()) {
            std::string names;
            for (const plakit_command& command : commands) {
                names += (names.empty() ? "" : ", ") + command.app->get_name();
            }
            (void)std::fprintf(stderr, "plakit: '%s' is not a command (%s); try 'plakit --help'\n", word.c_str(),
                               names.c_str());
            return status_usage;
        }
        const auto given = std::find_if(commands.begin(), commands.end(),
                                        [](const plakit_command& command) { return command.app->parsed(); });
        const std::string help =
            given == commands.end() ? "plakit --help" : "plakit " + given->app->get_name() + " --help";
        const std::string what = dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr
                                     ? extras_text(plakit, commands, error)
                                     : error.what();
        (void)std::fprintf(stderr, "plakit: %s; try '%s'\n", one_line(what).c_str(), help.c_str());
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

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
#include "text/text_lines.h"

namespace {

// One line for a usage error, as CLI11's message may run over several, its names escaped.
std::string one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return escaped_name(text);
}

// Help or version text that could not be written is a failed output like any other: status
// 1 (verify: 2, its trouble), and the reason on stderr.
int exit_after_text(const CLI::App& plakit, const CLI::ParseError& call, const std::vector<plakit_command>& commands) {
    errno = 0;
    const int status = plakit.exit(call);
    // The text may have failed as it was written (std::cout writes through to stdout): its
    // reason is then the one errno kept, not the flush's.
    const int written = errno;
    errno = 0;
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return status;
    }
    const int error = errno != 0 ? errno : (written != 0 ? written : EIO);
    report("standard output", std::strerror(error)); // NOLINT(concurrency-mt-unsafe): one thread
    const auto given = std::find_if(commands.begin(), commands.end(),
                                    [](const plakit_command& command) { return command.app->parsed(); });
    return given != commands.end() && given->app->get_name() == "verify" ? status_trouble : status_failed;
}

// The command given, or none.
const plakit_command* given_command(const std::vector<plakit_command>& commands) {
    const auto given = std::find_if(commands.begin(), commands.end(),
                                    [](const plakit_command& command) { return command.app->parsed(); });
    return given != commands.end() ? &*given : nullptr;
}

// The first word of the command line when it is no option and names no command, or "".
std::string unknown_command(const std::vector<std::string>& words, const std::vector<plakit_command>& commands) {
    if (words.size() < 2) {
        return "";
    }
    const std::string& word = words[1];
    if (word.empty() || word.front() == '-' ||
        std::any_of(commands.begin(), commands.end(),
                    [&word](const plakit_command& command) { return command.app->check_name(word); })) {
        return "";
    }
    return word;
}

// A fault of the command line and where it stands: the place of its first word (the size of
// the command line for something missing, which stands after all that was given).
struct usage_fault {
    std::size_t place;
    std::string text;
};

// The words left over (CLI11 keeps them per command, each in order), each at its place.
std::vector<usage_fault> leftovers(const CLI::App& plakit, const plakit_command* given,
                                   const std::vector<std::string>& words) {
    std::vector<std::string> left = plakit.remaining(false);
    if (given != nullptr) {
        const std::vector<std::string> own = given->app->remaining(false);
        left.insert(left.end(), own.begin(), own.end());
    }
    std::vector<bool> taken(words.size(), false);
    std::vector<usage_fault> placed;
    for (const std::string& word : left) {
        std::size_t place = 1;
        while (place < words.size() && (taken[place] || words[place] != word)) {
            ++place;
        }
        if (place < words.size()) {
            taken[place] = true;
        }
        placed.push_back({place, word});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const usage_fault& left_word, const usage_fault& right_word) {
        return left_word.place < right_word.place;
    });
    return placed;
}

// The place of the first word after `from` that gives `option` (`-o`, `--output`,
// `--output=x`, `-ox`), or the size of the command line.
std::size_t option_place(const CLI::Option& option, const std::vector<std::string>& words, std::size_t from) {
    for (std::size_t place = from; place < words.size(); ++place) {
        const std::string& word = words[place];
        if (word.size() < 2 || word.front() != '-') {
            continue;
        }
        const std::string name = word[1] == '-' ? word.substr(0, word.find('=')) : word.substr(0, 2);
        if (option.check_name(name)) {
            return place;
        }
    }
    return words.size();
}

// The commands' names, as a usage error lists them.
std::string command_names(const std::vector<plakit_command>& commands) {
    std::string names;
    for (const plakit_command& command : commands) {
        names += (names.empty() ? "" : ", ") + command.app->get_name();
    }
    return names;
}

// The place of the command's name on the command line, or its size when none was given.
std::size_t command_place(const plakit_command* given, const std::vector<std::string>& words) {
    for (std::size_t place = 1; given != nullptr && place < words.size(); ++place) {
        if (!words[place].starts_with('-') && given->app->check_name(words[place])) {
            return place;
        }
    }
    return words.size();
}

// The words left over, in order; before the command, they are told to go after it.
std::string leftovers_text(const std::vector<usage_fault>& left, bool before_command) {
    std::string text;
    for (const usage_fault& word : left) {
        text += (text.empty() ? "" : " ") + word.text;
    }
    if (before_command) {
        return text + ": before the command; a command's options go after its name";
    }
    return (left.size() > 1 ? "The following arguments were not expected: "
                            : "The following argument was not expected: ") +
           text;
}

// The line for a usage error, in plakit's words, the first fault in command-line order:
// words left over, an option's value refused or missing or given twice, an argument
// missing (at the end).
std::string usage_text(const CLI::App& plakit, const std::vector<plakit_command>& commands,
                       const CLI::ParseError& error, const std::vector<std::string>& words) {
    const plakit_command* given = given_command(commands);
    const std::vector<usage_fault> left = leftovers(plakit, given, words);
    if (given == nullptr && left.empty()) {
        return "a command is required: " + command_names(commands);
    }
    const std::size_t command_at = command_place(given, words);
    // The option CLI11 names first in its message ("--to: ...").
    const std::string what = error.what();
    const std::string name = what.substr(0, what.find(':'));
    const CLI::Option* option = given != nullptr ? given->app->get_option_no_throw(name) : nullptr;
    const bool about_option = option != nullptr && dynamic_cast<const CLI::RequiredError*>(&error) == nullptr;
    const std::size_t fault_place = about_option ? option_place(*option, words, command_at) : words.size();
    if (!left.empty() && left.front().place <= fault_place) {
        return leftovers_text(left, given != nullptr && left.front().place < command_at);
    }
    if (about_option && dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        return option->count() > 1 ? name + " is given " + std::to_string(option->count()) + " times: give it once"
                                   : name + " needs a value";
    }
    return error.what();
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
        // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic): argc counts them
        const std::vector<std::string> words(argv, argv + argc);
        if (const std::string word = unknown_command(words, commands); !word.empty()) {
            print_line("plakit: " + quoted_text(word) + " is not a command (" + command_names(commands) +
                       "); try 'plakit --help'");
            return status_usage;
        }
        const plakit_command* given = given_command(commands);
        const std::string help = given == nullptr ? "plakit --help" : "plakit " + given->app->get_name() + " --help";
        print_line("plakit: " + one_line(usage_text(plakit, commands, error, words)) + "; try '" + help + "'");
        return status_usage;
    }
    const plakit_command* given = given_command(commands);
    return given != nullptr ? given->run() : status_usage; // require_subcommand(1) leaves one given
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

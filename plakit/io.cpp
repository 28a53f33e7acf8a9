#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "file/file_identity.h"
#include "file/replace_file.h"
#include "plakit/command.h"
#include "text/text_lines.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::string system_reason(int error) {
    return std::strerror(error); // NOLINT(concurrency-mt-unsafe): plakit has one thread
}

// Standard input and output carry bytes, not text, on every platform.
void set_binary([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
    (void)_setmode(_fileno(stream), _O_BINARY); // a console that refuses stays as it is
#endif
}

// A file this run has read, which it must not write over, and how a message names it.
struct input_read {
    file_identity identity;
    std::string name; // "the input FILE" or "standard input"
};
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): one run, one thread
std::vector<input_read> inputs_read;

void note_input(const std::string& file) {
    file_identity identity;
    if (file == "-" ? identify_standard_input(identity) : identify_file(file.c_str(), identity)) {
        inputs_read.push_back({identity, file == "-" ? "standard input" : "the input " + escaped_name(file)});
    }
}

// The input that `output` is, or none.
const input_read* input_that_is(const file_identity& output) {
    const auto found = std::find_if(inputs_read.begin(), inputs_read.end(),
                                    [&output](const input_read& input) { return input.identity == output; });
    return found == inputs_read.end() ? nullptr : &*found;
}

} // namespace

std::string plakit_version() {
    return std::string{"plakit "} + PLAKIT_VERSION;
}

void add_pairs_option(CLI::App& command, jedec_pair_order& order) {
    command
        .add_option_function<std::string>(
            "--pairs",
            [&order](const std::string& name) {
                order = name == "true-first" ? jedec_pair_order::true_first : jedec_pair_order::complement_first;
            },
            "Which fuse of each input pair the file numbers first")
        ->check(CLI::IsMember({"complement-first", "true-first"}))
        ->option_text("complement-first|true-first (default: complement-first)");
}

void add_wiring_option(CLI::App& command, std::string& wiring) {
    command
        .add_option("--wiring", wiring,
                    "adapter: through the adapter's wiring; straight: address line An carries In, data line Dk "
                    "carries Fk; FILE: a wiring file (see plakit wiring)")
        ->option_text("adapter|straight|FILE (default: adapter)");
}

void add_from_option(CLI::App& command, programming_form& form) {
    command
        .add_option_function<std::string>(
            "--from",
            [&form](const std::string& name) {
                form = programming_form_named(name).value_or(programming_form::automatic);
            },
            "The form of the programming read (default: told from its content)")
        ->check(CLI::IsMember({"jedec", "fuses", "pla", "equations", "table"}))
        ->option_text("jedec|fuses|pla|equations|table");
}

void report(const std::string& what, const std::string& reason) {
    print_line(failure_line(what, reason));
}

void print_line(const std::string& line) {
    // Nothing is left to tell if standard error fails too.
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
    (void)std::fputc('\n', stderr);
}

std::string input_name(const std::string& file) {
    return file == "-" ? "standard input" : escaped_name(file);
}

bool read_input(const std::string& file, std::size_t limit, std::string& bytes) {
    std::FILE* stream = stdin;
    if (file == "-") {
        set_binary(stdin);
    } else {
        stream = std::fopen(file.c_str(), "rb"); // NOLINT(cppcoreguidelines-owning-memory): closed below
        if (stream == nullptr) {
            report(file, system_reason(errno));
            return false;
        }
    }
    bytes.clear();
    static std::array<char, 65536> buffer{}; // zeroed once, not on every read
    int error = 0;
    while (bytes.size() <= limit) {
        const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), stream);
        bytes.append(buffer.data(), count);
        if (count < buffer.size()) {
            error = std::ferror(stream) != 0 ? (errno != 0 ? errno : EIO) : 0;
            break;
        }
    }
    if (stream != stdin) {
        // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): opened above; read only, so nothing is lost if closing fails
        (void)std::fclose(stream);
    }
    if (error != 0) {
        report(input_name(file), system_reason(error));
        return false;
    }
    if (bytes.size() > limit) {
        report(input_name(file), "larger than " + std::to_string(limit >> 10) + " KiB: refused");
        return false;
    }
    note_input(file);
    return true;
}

bool wiring_and_input_both_stdin(std::string_view command, const named_input& input, const std::string& wiring) {
    if (wiring != "-" || input.file != "-") {
        return false;
    }
    (void)std::fprintf(stderr, "plakit: %s and --wiring cannot both be standard input; try 'plakit %s --help'\n",
                       std::string{input.name}.c_str(), std::string{command}.c_str());
    return true;
}

bool write_output(const std::string& file, std::span<const std::uint8_t> bytes) {
    if (file == "-") {
        // `>> input` or `1<> input` would write into a file while it is an input.
        if (file_identity output; identify_standard_output(output)) {
            if (const input_read* input = input_that_is(output)) {
                report("standard output", "the same file as " + input->name + ": not written");
                return false;
            }
        }
        set_binary(stdout);
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            report("standard output", system_reason(errno != 0 ? errno : EIO));
            return false;
        }
        return true;
    }
    if (file_identity output; identify_file(file.c_str(), output) && input_that_is(output) != nullptr) {
        report(file, "the output file is also the input: not written");
        return false;
    }
    if (const int error = write_file_replacing(file.c_str(), bytes); error != 0) {
        report(file, file_error_text(error));
        return false;
    }
    return true;
}

bool write_output(const std::string& file, const std::string& text) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the text's bytes, as they are
    return write_output(file, std::span{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

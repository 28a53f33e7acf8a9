#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
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

// The largest old file that write_outputs keeps to put back: far more than any it writes.
constexpr std::size_t old_output_limit = std::size_t{16} << 20;

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

namespace {

// read_input without noting the file as an input.
bool read_whole(const std::string& file, std::size_t limit, std::string& bytes) {
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
    return true;
}

// Puts back the file that write_outputs wrote as `name`: its old bytes, or none when it
// was new. Reports a failure.
void put_back(const std::string& name, const std::optional<std::string>& old) {
    if (old) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the old bytes, as they were
        const std::span bytes{reinterpret_cast<const std::uint8_t*>(old->data()), old->size()};
        if (const int error = write_file_replacing(name.c_str(), bytes); error != 0) {
            report(name, std::string{"not put back as it was: "} + file_error_text(error));
        }
        return;
    }
    // Through a link, the file written is the one the link leads to.
    std::error_code error;
    const std::filesystem::path written = std::filesystem::canonical(name, error);
    if (error || !std::filesystem::remove(written, error)) {
        report(name, "not removed: " + error.message());
    }
}

} // namespace

bool read_input(const std::string& file, std::size_t limit, std::string& bytes) {
    if (!read_whole(file, limit, bytes)) {
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

bool write_outputs(const std::vector<std::pair<std::string, std::string>>& files) {
    // What each name held: a regular file's bytes; nothing, for a name that a device, a pipe
    // or a folder holds (written as it is, or refused) or none, as `fresh` tells.
    std::vector<std::optional<std::string>> old(files.size());
    std::vector<bool> fresh(files.size());
    for (std::size_t index = 0; index < files.size(); ++index) {
        const std::string& name = files[index].first;
        if (file_identity identity; identify_file(name.c_str(), identity)) {
            if (input_that_is(identity) != nullptr) {
                report(name, "the output file is also the input: not written");
                return false;
            }
            std::error_code error;
            if (std::filesystem::file_size(name, error) > old_output_limit && !error) {
                report(name, "an old file larger than " + std::to_string(old_output_limit >> 20) +
                                 " MiB is in its place: not replaced");
                return false;
            }
            old[index].emplace();
            if (!read_whole(name, old_output_limit, *old[index])) {
                return false;
            }
        } else {
            std::error_code error;
            fresh[index] = !std::filesystem::exists(name, error);
        }
    }
    for (std::size_t index = 0; index < files.size(); ++index) {
        if (!write_output(files[index].first, files[index].second)) {
            for (std::size_t written = 0; written < index; ++written) {
                if (old[written] || fresh[written]) {
                    put_back(files[written].first, old[written]);
                }
            }
            return false;
        }
    }
    return true;
}

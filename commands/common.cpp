#include "commands/common.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "text/text_lines.h"
#include "wiring/wiring_text.h"

command_result failed(int status, std::vector<std::string> messages) {
    return {status, std::nullopt, std::move(messages), {}};
}

command_result written(std::string output) {
    return {status_done, std::move(output), {}, {}};
}

command_result compared(int status, std::string report, std::vector<std::string> messages) {
    std::string headline = report.substr(0, report.find('\n'));
    return {status, std::move(report), std::move(messages), std::move(headline)};
}

std::span<const std::uint8_t> bytes_of(const std::string& text) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the file's bytes, as they are
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string text_of(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

void add_warnings(const command_file& file, const form_warnings& warnings, std::vector<std::string>& messages) {
    std::transform(warnings.begin(), warnings.end(), std::back_inserter(messages),
                   [&file](const std::string& warning) { return failure_line(file.name, "warning: " + warning); });
}

bool parse_programming(const command_file& file, std::string_view bytes, const programming_options& options,
                       pla_fuses& fuses, std::vector<std::string>& messages) {
    form_warnings warnings;
    const auto error = read_programming(bytes, options.form, options.order, fuses, &warnings);
    if (!error) {
        add_warnings(file, warnings, messages);
        return true;
    }
    messages.push_back(failure_line(file.name + form_error_place(*error), error->message));
    return false;
}

bool read_fuses(const command_programming& programming, const programming_options& options, pla_fuses& fuses,
                std::vector<std::string>& messages) {
    if (!programming) {
        fuses = pla_fuse_map;
        return true;
    }
    std::string bytes;
    return programming->read(programming_size_limit, bytes, messages) &&
           parse_programming(*programming, bytes, options, fuses, messages);
}

bool read_wiring(const command_wiring& given, eprom_wiring& wiring, std::vector<std::string>& messages) {
    if (given.named) {
        wiring = *given.named;
        return true;
    }
    std::string text;
    if (!given.file.read(wiring_size_limit, text, messages)) {
        return false;
    }
    const auto error = read_wiring_text(text, wiring);
    if (!error) {
        return true;
    }
    messages.push_back(failure_line(
        given.file.name + ":" + std::to_string(error->line) + ":" + std::to_string(error->column), error->message));
    return false;
}

std::string size_refusal(std::size_t limit) {
    return "larger than " + std::to_string(limit >> 10) + " KiB: refused";
}

std::string failure_line(std::string_view what, std::string_view reason) {
    std::string line{"plakit: "};
    line.append(escaped_name(what)).append(": ").append(reason);
    return line;
}

command_file file_of_bytes(std::string name, std::string bytes) {
    command_file file{std::move(name), {}};
    file.read = [name = file.name, bytes = std::move(bytes)](std::size_t limit, std::string& read,
                                                             std::vector<std::string>& messages) {
        if (bytes.size() > limit) {
            messages.push_back(failure_line(name, size_refusal(limit)));
            return false;
        }
        read = bytes;
        return true;
    };
    return file;
}

command_wiring wiring_named(std::string_view name, command_file file) {
    if (name == "adapter") {
        return {eprom_wiring::adapter, std::move(file)};
    }
    if (name == "straight") {
        return {eprom_wiring::straight, std::move(file)};
    }
    return {std::nullopt, std::move(file)};
}

std::string_view program_version() {
    return version_line;
}

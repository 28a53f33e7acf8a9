// The edge between the commands' work and plakit's files: inputs read when a command comes
// to them, outputs written and lines printed as the command returns them.

#include "plakit/command.h"

namespace {

void print_lines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        print_line(line);
    }
}

} // namespace

command_file input_file(const std::string& file) {
    return {input_name(file), [file](std::size_t limit, std::string& bytes, std::vector<std::string>& messages) {
                // The lines so far (a warning about a file read before) go first, so that this
                // file's failure, which read_input reports at once, follows them as it does
                // in the command's lines.
                print_lines(messages);
                messages.clear();
                return read_input(file, limit, bytes);
            }};
}

command_programming programming_file(const std::optional<std::string>& file) {
    return file ? command_programming{input_file(*file)} : std::nullopt;
}

command_wiring wiring_option(const std::string& name) {
    return wiring_named(name, input_file(name));
}

int finish(const command_result& result, const std::string& file, int write_failure) {
    if (result.output && !write_output(file, *result.output)) {
        return write_failure;
    }
    print_lines(result.messages);
    return result.status;
}

int finish(const gal_result& result) {
    if (!result.files.empty() && !write_outputs(result.files)) {
        return status_failed;
    }
    print_lines(result.messages);
    return result.status;
}

// The edge between the commands' work and plakit's files: inputs read when a command comes
// to them, outputs written and lines printed as the command returns them.
#include <cstdio>

#include "plakit/command.h"

command_file input_file(const std::string& file) {
    return {input_name(file),
            [file](std::size_t limit, std::string& bytes, std::vector<std::string>& /*messages: reported*/) {
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
    for (const std::string& line : result.messages) {
        // Nothing is left to tell if standard error fails too.
        (void)std::fprintf(stderr, "%s\n", line.c_str());
    }
    return result.status;
}

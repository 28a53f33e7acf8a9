// POSIX form: stat follows links, so a link and the file it leads to are the same file.
#include "file/file_identity.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool identify(const struct stat& status, file_identity& identity) noexcept {
    if (!S_ISREG(status.st_mode)) {
        return false;
    }
    identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

} // namespace

bool identify_file(const char* name, file_identity& identity) noexcept {
    struct stat status {};
    return stat(name, &status) == 0 && identify(status, identity);
}

bool identify_standard_input(file_identity& identity) noexcept {
    struct stat status {};
    return fstat(STDIN_FILENO, &status) == 0 && identify(status, identity);
}

bool identify_standard_output(file_identity& identity) noexcept {
    struct stat status {};
    return fstat(STDOUT_FILENO, &status) == 0 && identify(status, identity);
}

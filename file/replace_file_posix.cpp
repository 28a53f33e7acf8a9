#include "file/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

namespace {

constexpr mode_t plain_create_mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr int temporary_name_tries = 100;

using temporary_name = std::array<char, 4096>;

// Creates a new file "<name>.<pid>-<try>.tmp" that no one else holds. Returns its
// descriptor, or -1 with errno set.
int create_temporary(const char* name, temporary_name& temporary) noexcept {
    for (int attempt = 0; attempt < temporary_name_tries; ++attempt) {
        const int length = std::snprintf(temporary.data(), temporary.size(), "%s.%ld-%d.tmp", name,
                                         static_cast<long>(getpid()), attempt);
        if (length < 0 || static_cast<std::size_t>(length) >= temporary.size()) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int fd = open(temporary.data(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, plain_create_mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Returns 0, or the errno value of the failure.
int write_all(int fd, std::span<const std::uint8_t> data) noexcept {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data = data.subspan(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace

int write_file_replacing(const char* name, std::span<const std::uint8_t> data) noexcept {
    temporary_name temporary{};
    const int fd = create_temporary(name, temporary);
    if (fd < 0) {
        return errno;
    }
    int error = write_all(fd, data);
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    // A failed close can be the first report of a failed write, so it counts too.
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && std::rename(temporary.data(), name) != 0) {
        error = errno;
    }
    if (error != 0) {
        // The failure already found is the one to report.
        (void)unlink(temporary.data());
    }
    return error;
}

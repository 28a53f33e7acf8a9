// pla-eprom: writes the EPROM image that stands in for the programmed 82S100 array.
// It takes no arguments, reads nothing and writes one file, 82S100_EPROM.bin, in the
// current folder.

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "eprom/image.h"
#include "file/replace_file.h"

namespace {

constexpr const char* program_name = "pla-eprom";
constexpr const char* image_file_name = "82S100_EPROM.bin";
constexpr const char* banner =
    "82S100 JEDEC file to Eprom converter (C) 2026 the pla-eprom authors\n"
    "Contact: pla-eprom@example.org\n";

void report(const char* what, const char* reason) noexcept {
    // Nothing is left to tell if standard error fails too.
    (void)std::fprintf(stderr, "%s: %s: %s\n", program_name, what, reason);
}

// Returns 0, or the errno value of the failure.
int print_banner() noexcept {
    errno = 0;
    if (std::fputs(banner, stdout) == EOF || std::fflush(stdout) != 0) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

} // namespace

int main() {
    // A reader that has gone away must not stop the image from being written: the
    // failed banner is reported like any other write error on standard output.
    // Windows has no such signal: there the write fails with EPIPE.
#ifdef SIGPIPE
    (void)std::signal(SIGPIPE, SIG_IGN); // cannot fail for a valid signal
#endif

    int status = 0;
    if (const int error = print_banner(); error != 0) {
        report("standard output", std::strerror(error));
        status = 1;
    }

    static std::array<std::uint8_t, eprom_image_size> image;
    build_eprom_image(image);
    if (const int error = write_file_replacing(image_file_name, image); error != 0) {
        report(image_file_name, file_error_text(error));
        status = 1;
    }
    return status;
}

#include "file/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

// POSIX form. A new file gets 0666 less the umask. The temporary file is "<file>.<pid>-<try>.tmp" (with <file> cut
// short where the whole would not fit in one name), created with O_EXCL so that a file or link planted at that name is
// never opened. While it exists, SIGINT, SIGTERM and SIGHUP remove it and then end the program by the same signal, and
// SIGXFSZ is ignored so that an exceeded file-size limit fails the write with EFBIG; the previous dispositions are back
// when the function returns.

namespace {

constexpr mode_t plain_create_mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr mode_t private_mode = S_IRUSR | S_IWUSR;
constexpr mode_t permission_bits = 07777;
constexpr int temporary_name_tries = 100;
// Linux's own limit on the links met while resolving one name.
constexpr int max_links = 40;
// The longest name of one folder entry.
#ifdef NAME_MAX
constexpr std::size_t max_entry_name = NAME_MAX;
#else
constexpr std::size_t max_entry_name = 255;
#endif

using path = std::array<char, 4096>;

// The signal handler sees only these: the name is complete before the flag is set, and
// both change only while the handled signals are blocked. They are global because a
// signal handler can reach nothing else.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
path temporary_name{};
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
volatile std::sig_atomic_t temporary_exists = 0;
// The folder in which the last temporary file could not be created, for file_error_text.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
path refusing_folder{};

constexpr std::array<int, 3> ending_signals{SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temporary_and_end(int signal_number) {
    if (temporary_exists != 0) {
        (void)unlink(temporary_name.data());
    }
    // Ends the program by the same signal, as its sender expects: it is delivered, with
    // the default action, as soon as this handler returns and unblocks it.
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    (void)sigaction(signal_number, &default_action, nullptr);
    (void)raise(signal_number);
}

// Blocks the handled signals for its lifetime, so that the temporary name and its flag
// change together.
class signals_blocked {
public:
    signals_blocked() noexcept {
        sigset_t blocked{};
        (void)sigemptyset(&blocked);
        for (const int signal_number : ending_signals) {
            (void)sigaddset(&blocked, signal_number);
        }
        (void)sigprocmask(SIG_BLOCK, &blocked, &previous_);
    }
    ~signals_blocked() {
        (void)sigprocmask(SIG_SETMASK, &previous_, nullptr);
    }
    signals_blocked(const signals_blocked&) = delete;
    signals_blocked& operator=(const signals_blocked&) = delete;
    signals_blocked(signals_blocked&&) = delete;
    signals_blocked& operator=(signals_blocked&&) = delete;

private:
    sigset_t previous_{};
};

// Installs the handlers for the time of one write and restores the previous ones after.
// A signal that was ignored stays ignored, as the program's caller wanted.
class signal_guard {
public:
    signal_guard() noexcept {
        struct sigaction handler {};
        handler.sa_handler = remove_temporary_and_end;
        (void)sigemptyset(&handler.sa_mask);
        for (const int signal_number : ending_signals) {
            (void)sigaddset(&handler.sa_mask, signal_number);
        }
        for (std::size_t i = 0; i < ending_signals.size(); ++i) {
            (void)sigaction(ending_signals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) {
                (void)sigaction(ending_signals[i], &handler, nullptr);
            }
        }
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        (void)sigaction(SIGXFSZ, &ignore, &previous_file_size_);
    }
    ~signal_guard() {
        for (std::size_t i = 0; i < ending_signals.size(); ++i) {
            (void)sigaction(ending_signals[i], &previous_[i], nullptr);
        }
        (void)sigaction(SIGXFSZ, &previous_file_size_, nullptr);
    }
    signal_guard(const signal_guard&) = delete;
    signal_guard& operator=(const signal_guard&) = delete;
    signal_guard(signal_guard&&) = delete;
    signal_guard& operator=(signal_guard&&) = delete;

private:
    std::array<struct sigaction, ending_signals.size()> previous_{};
    struct sigaction previous_file_size_ {};
};

// Copies `text` into `out` from `offset` on, and terminates it. Returns 0, or ENAMETOOLONG.
int copy_path(std::string_view text, path& out, std::size_t offset = 0) noexcept {
    if (offset + text.size() >= out.size()) {
        return ENAMETOOLONG;
    }
    // Plain indexing: a checked one would draw in the C++ runtime library for its exception.
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
    out[offset + text.size()] = '\0';
    return 0;
}

// Length of the folder part of `file`, with its last slash; 0 for a name in the current folder.
std::size_t folder_length(const path& file) noexcept {
    const std::string_view name(file.data());
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// The descriptor number that ends `text`, all digits, or -1.
int descriptor_number(std::string_view text) noexcept {
    if (text.empty() || text.size() > 9) {
        return -1;
    }
    int number = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9') {
            return -1;
        }
        number = number * 10 + (digit - '0');
    }
    return number;
}

// The process's own open descriptor that `name` names (/dev/stdout, /dev/fd/3,
// /proc/self/fd/1 and the like), or -1. Such a name leads to whatever the descriptor was
// opened on, a file the caller's shell may be appending to: it is written through the
// descriptor, never replaced.
int own_descriptor(std::string_view name) noexcept {
    if (name == "/dev/stdin") {
        return 0;
    }
    if (name == "/dev/stdout") {
        return 1;
    }
    if (name == "/dev/stderr") {
        return 2;
    }
    std::array<char, 32> own_folder{};
    const int length =
        std::snprintf(own_folder.data(), own_folder.size(), "/proc/%ld/fd/", static_cast<long>(getpid()));
    for (const std::string_view folder :
         {std::string_view{"/dev/fd/"}, std::string_view{"/proc/self/fd/"}, std::string_view{"/proc/thread-self/fd/"},
          std::string_view{own_folder.data(), length > 0 ? std::size_t(length) : 0}}) {
        if (!folder.empty() && name.starts_with(folder)) {
            name.remove_prefix(folder.size()); // not substr, whose check would draw in the C++ runtime library
            return descriptor_number(name);
        }
    }
    return -1;
}

// Follows `name` through symbolic links to the file to write, which may not exist yet.
// On success `file` holds its path and `status` its lstat result (or `exists` is false),
// or, where a name on the way is one of the process's own descriptors, `descriptor` is it.
// Returns 0, or the errno value of the failure.
int resolve_links(const char* name, path& file, int& descriptor, struct stat& status, bool& exists) noexcept {
    if (const int error = copy_path(name, file); error != 0) {
        return error;
    }
    for (int link = 0; link <= max_links; ++link) {
        descriptor = own_descriptor(file.data());
        if (descriptor >= 0) {
            return 0;
        }
        if (lstat(file.data(), &status) != 0) {
            exists = false;
            return errno == ENOENT ? 0 : errno;
        }
        if (!S_ISLNK(status.st_mode)) {
            exists = true;
            return 0;
        }
        path target{};
        const ssize_t length = readlink(file.data(), target.data(), target.size());
        if (length < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(length) >= target.size()) {
            return ENAMETOOLONG;
        }
        const std::string_view text(target.data(), static_cast<std::size_t>(length));
        // A relative link is read from the folder that holds it.
        const std::size_t offset = text.starts_with('/') ? 0 : folder_length(file);
        if (const int error = copy_path(text, file, offset); error != 0) {
            return error;
        }
    }
    return ELOOP;
}

// How much of `file`'s own name (after its folder) the temporary name keeps so that, with
// `suffix_length` bytes added, it still fits in one folder entry. A UTF-8 character is not
// cut in two.
std::size_t kept_name_length(const path& file, std::size_t suffix_length) noexcept {
    std::string_view name(file.data());
    name.remove_prefix(folder_length(file)); // not substr, whose check would draw in the C++ runtime library
    if (name.size() + suffix_length <= max_entry_name) {
        return name.size();
    }
    std::size_t kept = max_entry_name - suffix_length;
    while (kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0U) == 0x80U) {
        --kept;
    }
    return kept;
}

// Notes the folder of `file` for the message of a temporary file that cannot be created there.
void note_refusing_folder(const path& file) noexcept {
    const std::size_t length = folder_length(file);
    // The folder's name without its last slash, unless it is the root; shorter than `file`, so it fits.
    const std::string_view folder = length == 0   ? std::string_view{"."}
                                    : length == 1 ? std::string_view{"/"}
                                                  : std::string_view(file.data(), length - 1);
    (void)copy_path(folder, refusing_folder);
}

// Creates a new file "<file>.<pid>-<try>.tmp" that no one else holds and makes it the
// one the signal handler removes. Returns its descriptor, or -1 with errno set.
int create_temporary(const path& file, mode_t mode) noexcept {
    for (int attempt = 0; attempt < temporary_name_tries; ++attempt) {
        const signals_blocked blocked;
        std::array<char, 32> suffix{};
        const int suffix_length =
            std::snprintf(suffix.data(), suffix.size(), ".%ld-%d.tmp", static_cast<long>(getpid()), attempt);
        const std::size_t kept = folder_length(file) + kept_name_length(file, static_cast<std::size_t>(suffix_length));
        const int length = std::snprintf(temporary_name.data(), temporary_name.size(), "%.*s%s", static_cast<int>(kept),
                                         file.data(), suffix.data());
        if (length < 0 || static_cast<std::size_t>(length) >= temporary_name.size()) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int fd = open(temporary_name.data(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            temporary_exists = 1;
            return fd;
        }
        if (errno != EEXIST) {
            if (errno == EACCES || errno == EPERM || errno == EROFS) {
                note_refusing_folder(file);
                errno |= file_error_temporary;
            }
            return -1;
        }
    }
    return -1;
}

// Gives the temporary file the old file's owner where the process may, then its
// permission bits (after the owner, since a change of owner clears set-user-ID).
// Returns 0, or the errno value of the failure.
int take_over_attributes(int fd, const struct stat& old) noexcept {
    if (fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) {
        return errno;
    }
    return fchmod(fd, old.st_mode & permission_bits) != 0 ? errno : 0;
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
        // Nothing written and no error: the device takes no more.
        if (written == 0) {
            return ENOSPC;
        }
        data = data.subspan(static_cast<std::size_t>(written));
    }
    return 0;
}

// Syncs the folder that holds `file`, so that its new entry survives a crash. A folder
// the process may not open for reading cannot be synced and is left as it is; a file
// system that cannot sync folders says EINVAL. Returns 0, or the errno value of the failure.
int sync_folder(const path& file) noexcept {
    path folder{};
    const std::size_t length = folder_length(file);
    if (const int error = copy_path(length == 0 ? "." : std::string_view(file.data(), length), folder); error != 0) {
        return error;
    }
    const int fd = open(folder.data(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    int error = fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    if (close(fd) != 0 && error == 0 && errno != EINTR) {
        error = errno;
    }
    return error;
}

// Writes the temporary file in full and puts it in place of `file`. Returns 0, or the
// errno value of the first failure, with the temporary file removed.
int replace(const path& file, const struct stat* old, std::span<const std::uint8_t> data) noexcept {
    // An old file's permissions are given only once the temporary file is its owner's.
    const int fd = create_temporary(file, old != nullptr ? private_mode : plain_create_mode);
    if (fd < 0) {
        return errno;
    }
    int error = old != nullptr ? take_over_attributes(fd, *old) : 0;
    if (error == 0) {
        error = write_all(fd, data);
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    // A failed close can be the first report of a failed write, so it counts too.
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    const signals_blocked blocked;
    if (error == 0 && std::rename(temporary_name.data(), file.data()) != 0) {
        error = errno;
    }
    if (error != 0) {
        // The failure already found is the one to report.
        (void)unlink(temporary_name.data());
    }
    temporary_exists = 0;
    return error;
}

// Sends `data` to a device, a pipe or a socket, which is written to, not replaced (say
// /dev/stdout or /dev/null). Returns 0, or the errno value of the failure.
int write_to_device(const char* name, std::span<const std::uint8_t> data) noexcept {
    const int fd = open(name, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int error = write_all(fd, data);
    if (close(fd) != 0 && error == 0 && errno != EINTR) {
        error = errno;
    }
    return error;
}

// Sends `data` to the process's own descriptor `fd`, from where it stands, as anything else
// written to it. Returns 0, or the errno value of the failure.
int write_to_descriptor(int fd, std::span<const std::uint8_t> data) noexcept {
    const signal_guard guard; // a file-size limit fails the write, not the program
    return write_all(fd, data);
}

} // namespace

int write_file_replacing(const char* name, std::span<const std::uint8_t> data) noexcept {
    path file{};
    struct stat old {};
    bool exists = false;
    int descriptor = -1;
    if (const int error = resolve_links(name, file, descriptor, old, exists); error != 0) {
        return error;
    }
    if (descriptor >= 0) {
        return write_to_descriptor(descriptor, data);
    }
    if (struct stat target{}; stat(name, &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode)) {
        return write_to_device(name, data);
    }
    // Not replaced by a file, nor given a temporary file inside (as "folder/" would).
    if (exists && S_ISDIR(old.st_mode)) {
        return EISDIR;
    }
    // Renaming needs only the folder's permission; the user's say over the file is its own.
    if (exists && faccessat(AT_FDCWD, file.data(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    const signal_guard guard;
    if (const int error = replace(file, exists ? &old : nullptr, data); error != 0) {
        return error;
    }
    return sync_folder(file);
}

const char* file_error_text(int error) noexcept {
    if ((error & file_error_temporary) == 0) {
        return std::strerror(error); // NOLINT(concurrency-mt-unsafe): valid until the next call, as documented
    }
    static std::array<char, sizeof(path) + 256> text{};
    // Cut short only past a path's own limit.
    (void)std::snprintf(text.data(), text.size(),
                        "the temporary file that replaces it whole cannot be created in the folder '%s': %s",
                        refusing_folder.data(),
                        std::strerror(error & ~file_error_temporary)); // NOLINT(concurrency-mt-unsafe): as above
    return text.data();
}

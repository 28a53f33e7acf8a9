// Writing a file so that a failure loses nothing. Each platform has its own form of
// write_file_replacing, in replace_file_<platform>.cpp; nothing else is platform-specific.
#pragma once

#include <cstdint>
#include <span>

// Puts `data` under `name` as one complete file. When `name` is a symbolic link, the file it
// leads to is written (created if it is missing) and the link stays. The bytes go to a
// temporary file beside that file, which takes its place only once it is written, synced to
// disk and closed; then its folder is synced too. Until then the old file is untouched: on
// any failure, or when the program is interrupted or terminated, the temporary file is
// removed. An old file keeps its permissions (and its owner where the process may set it),
// and one the user may not write is not replaced; a new file gets the permissions of a
// plain create. A device or a pipe in the name's place (POSIX: /dev/stdout, /dev/null;
// Windows: NUL, CON) is written to as it is, not replaced. On Windows an old file keeps its attributes and security
// settings, and a read-only one is not replaced; links are not followed, and a program ended by Ctrl+C may leave its
// temporary file. A name that is one of the process's own open descriptors (POSIX: /dev/stdout, /dev/fd/N,
// /proc/self/fd/N, or a link to one) is written through that descriptor, where it stands.
// A folder is not replaced (EISDIR).
// Returns 0, or the system's code for the first failure (POSIX: errno; Windows:
// GetLastError), which file_error_text puts into words; the code of a temporary file that
// the folder does not let be created has file_error_temporary added.
int write_file_replacing(const char* name, std::span<const std::uint8_t> data) noexcept;

// Marks a failure to create the temporary file beside the file: the folder refuses it.
inline constexpr int file_error_temporary = 1 << 28;

// The system's own words for a failure `error` that write_file_replacing returned, as one
// line without a closing period (POSIX: strerror); for a temporary file that could not be
// created, the folder's name and that. Valid until the next call.
const char* file_error_text(int error) noexcept;

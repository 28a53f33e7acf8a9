// Writing a file so that a failure loses nothing. Each platform has its own form of
// write_file_replacing, in replace_file_<platform>.cpp; nothing else is platform-specific.
#pragma once

#include <cstdint>
#include <span>

// Puts `data` under `name` in the current folder as one complete file. The bytes go to a
// temporary file beside it, which takes the name only once it is written, synced to disk
// and closed; until then `name` is untouched. The new file gets the permissions of a
// plain create (0666 less the umask). On failure the temporary file is removed.
// On Windows an old file keeps its attributes and security settings; a read-only one is
// not replaced.
// Returns 0, or the system's code for the first failure (POSIX: errno; Windows:
// GetLastError), which file_error_text puts into words.
int write_file_replacing(const char* name, std::span<const std::uint8_t> data) noexcept;

// The system's own words for a failure `error` that write_file_replacing returned, as one
// line without a closing period (POSIX: strerror). Valid until the next call.
const char* file_error_text(int error) noexcept;

// Which file a name leads to: what tells a program that the file it is about to write is
// one it has read. Each platform has its own form, in file_identity_<platform>.cpp.
#pragma once

#include <cstdint>

// POSIX: the device and inode; Windows: the volume serial number and the file index.
struct file_identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const file_identity&, const file_identity&) = default;
};

// The identity of the regular file that `name` leads to, through links. False when there
// is none: no such file, or a device, a pipe or a folder, which reading does not consume
// and writing does not replace.
bool identify_file(const char* name, file_identity& identity) noexcept;

// The same for the file that standard input reads.
bool identify_standard_input(file_identity& identity) noexcept;

// The same for the file that standard output writes (`>> file`, `1<> file`).
bool identify_standard_output(file_identity& identity) noexcept;

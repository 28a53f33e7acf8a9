// The file writer on Windows: a temporary file beside the target, flushed to disk, then put
// in the target's place in one step.
#include "file/replace_file.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <string_view>

namespace {

constexpr int temporary_name_tries = 100;
// The longest name of one folder entry, in UTF-16 units.
constexpr std::size_t max_entry_name = 255;

using wide_path = std::array<wchar_t, 4096>;

// The folder in which the last temporary file could not be created, for file_error_text.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
wide_path refusing_folder{};

// Length of the folder part of `file`, with its last separator.
std::size_t folder_length(const wide_path& file) noexcept {
    const std::wstring_view name(file.data());
    const std::size_t separator = name.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? 0 : separator + 1;
}

int as_result(DWORD error) noexcept {
    return static_cast<int>(error);
}

// Makes `name` a full path: wine's ReplaceFileW fails on a name without a folder part.
// Names are in the ANSI code page, as the C runtime hands over a program's arguments.
// Returns 0, or the system's code for the failure.
DWORD full_path(const char* name, wide_path& full) noexcept {
    wide_path given{};
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, given.data(), static_cast<int>(given.size())) ==
        0) {
        const DWORD error = GetLastError();
        return error == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE : error;
    }
    const DWORD length = GetFullPathNameW(given.data(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) {
        return GetLastError();
    }
    return length < full.size() ? 0 : ERROR_FILENAME_EXCED_RANGE;
}

// Creates a new file "<target>.<pid>-<try>.tmp" that no one else holds, <target> cut short
// where the whole would not fit in one folder entry. Returns its handle, or
// INVALID_HANDLE_VALUE with the last error set.
HANDLE create_temporary(const wide_path& target, wide_path& temporary) noexcept {
    const std::size_t target_length = std::wcslen(target.data());
    const std::size_t folder = folder_length(target);
    for (int attempt = 0; attempt < temporary_name_tries; ++attempt) {
        std::array<char, 32> suffix{};
        const int suffix_length =
            std::snprintf(suffix.data(), suffix.size(), ".%lu-%d.tmp", GetCurrentProcessId(), attempt);
        if (suffix_length < 0 || target_length + static_cast<std::size_t>(suffix_length) >= temporary.size()) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return INVALID_HANDLE_VALUE;
        }
        std::size_t kept = target_length;
        if (target_length - folder + static_cast<std::size_t>(suffix_length) > max_entry_name) {
            kept = folder + max_entry_name - static_cast<std::size_t>(suffix_length);
            if (kept > folder && IS_LOW_SURROGATE(target[kept])) {
                --kept; // not half a character
            }
        }
        auto* const end = std::copy_n(target.data(), kept, temporary.data());
        // The suffix is ASCII, the same in every code page; its terminating zero comes along.
        std::copy_n(suffix.data(), suffix_length + 1, end);
        HANDLE file =
            CreateFileW(temporary.data(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) {
            const std::size_t length = folder > 1 ? folder - 1 : folder;
            std::copy_n(target.data(), length, refusing_folder.data());
            refusing_folder[length] = L'\0';
            SetLastError(error | static_cast<DWORD>(file_error_temporary));
            return INVALID_HANDLE_VALUE;
        }
        if (error != ERROR_FILE_EXISTS) {
            return INVALID_HANDLE_VALUE;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// Returns 0, or the system's code for the failure.
DWORD write_all(HANDLE file, std::span<const std::uint8_t> data) noexcept {
    constexpr std::size_t most_per_call = std::size_t{1} << 30;
    while (!data.empty()) {
        DWORD written = 0;
        const auto size = static_cast<DWORD>(std::min(data.size(), most_per_call));
        if (WriteFile(file, data.data(), size, &written, nullptr) == 0) {
            return GetLastError();
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT; // a write that makes no progress would never end
        }
        data = data.subspan(written);
    }
    return 0;
}

// The attributes a user sets on a file and means to keep. Read-only is not among them: such
// a file is not replaced at all. Archive is the system's, to mark new content.
constexpr DWORD kept_attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// ReplaceFileW keeps what the user set on an old file: its security settings, creation time
// and attributes (those also set here beforehand, as wine's ReplaceFileW does not carry them
// over); it refuses a read-only file. Settings it cannot carry over (a share without security
// settings) do not stop the image. Anything but an old file is MoveFileExW's, which refuses
// to replace a folder and returns only once the move is on disk.
// Returns 0, or the system's code for the failure.
DWORD put_in_place(const wide_path& target, const wide_path& temporary) noexcept {
    const DWORD attributes = GetFileAttributesW(target.data());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if ((attributes & kept_attributes) != 0 &&
            SetFileAttributesW(temporary.data(), attributes & kept_attributes) == 0) {
            return GetLastError();
        }
        if (ReplaceFileW(target.data(), temporary.data(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) !=
            0) {
            return 0;
        }
        // The old file has gone since: the name is free for a plain move.
        if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
            return error;
        }
    }
    if (MoveFileExW(temporary.data(), target.data(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        return 0;
    }
    return GetLastError();
}

// A device (NUL, CON, a serial port) or a pipe in the name's place is written to as it
// is: it has no folder to hold a temporary file, nor anything to replace. The name is
// opened as given, since a device's full path (\\.\CON) may not open as its name does.
// Returns whether `name` is one, and then `error`, 0 or the system's code for the failure.
bool written_in_place(const char* name, std::span<const std::uint8_t> data, DWORD& error) noexcept {
    wide_path given{};
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, given.data(), static_cast<int>(given.size())) ==
        0) {
        return false; // the replacing write reports it
    }
    HANDLE file = CreateFileW(given.data(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false; // no such file yet, a folder, or a file that the replacing write reports on
    }
    if (GetFileType(file) == FILE_TYPE_DISK) {
        (void)CloseHandle(file); // opened, not written: the file is as it was
        return false;
    }
    error = write_all(file, data);
    if (CloseHandle(file) == 0 && error == 0) {
        error = GetLastError();
    }
    return true;
}

} // namespace

int write_file_replacing(const char* name, std::span<const std::uint8_t> data) noexcept {
    wide_path target{};
    if (const DWORD error = full_path(name, target); error != 0) {
        return as_result(error);
    }
    if (DWORD error = 0; written_in_place(name, data, error)) {
        return as_result(error);
    }
    // A folder is not replaced, nor given a temporary file inside (as "folder\\" would).
    if (const DWORD attributes = GetFileAttributesW(target.data());
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return as_result(ERROR_ACCESS_DENIED);
    }
    wide_path temporary{};
    HANDLE file = create_temporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return as_result(GetLastError());
    }
    DWORD error = write_all(file, data);
    if (error == 0 && FlushFileBuffers(file) == 0) {
        error = GetLastError();
    }
    if (CloseHandle(file) == 0 && error == 0) {
        error = GetLastError();
    }
    if (error == 0) {
        error = put_in_place(target, temporary);
    }
    if (error != 0) {
        // The failure already found is the one to report.
        (void)DeleteFileW(temporary.data());
    }
    return as_result(error);
}

namespace {

// FormatMessageW, not FormatMessageA: the A form converts to the ANSI code page, but a
// console shows its own (OEM) code page, which is the one used here while there is a console.
const char* system_words(int error) noexcept {
    static std::array<wchar_t, 512> wide{};
    static std::array<char, 1024> text{};
    // The line breaks inside a message become spaces; those at its end are cut below.
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                       nullptr, static_cast<DWORD>(error), 0, wide.data(), static_cast<DWORD>(wide.size()), nullptr);
    // An error line reads "name: reason", like strerror's words: no period, no line end.
    while (length > 0 && (wide[length - 1] == L' ' || wide[length - 1] == L'\r' || wide[length - 1] == L'\n')) {
        --length;
    }
    if (length > 0 && wide[length - 1] == L'.') {
        --length;
    }
    const UINT console = GetConsoleOutputCP();
    const int converted =
        length == 0 ? 0
                    : WideCharToMultiByte(console != 0 ? console : CP_ACP, 0, wide.data(), static_cast<int>(length),
                                          text.data(), static_cast<int>(text.size() - 1), nullptr, nullptr);
    if (converted <= 0) {
        (void)std::snprintf(text.data(), text.size(), "Unknown error %d", error);
    } else {
        text[static_cast<std::size_t>(converted)] = '\0';
    }
    return text.data();
}

} // namespace

const char* file_error_text(int error) noexcept {
    if ((error & file_error_temporary) == 0) {
        return system_words(error);
    }
    static std::array<char, sizeof(wide_path) + 1024> text{};
    const UINT console = GetConsoleOutputCP();
    std::array<char, sizeof(wide_path)> folder{};
    if (WideCharToMultiByte(console != 0 ? console : CP_ACP, 0, refusing_folder.data(), -1, folder.data(),
                            static_cast<int>(folder.size()), nullptr, nullptr) == 0) {
        folder[0] = '\0';
    }
    (void)std::snprintf(text.data(), text.size(),
                        "the temporary file that replaces it whole cannot be created in the folder '%s': %s",
                        folder.data(), system_words(error & ~file_error_temporary));
    return text.data();
}

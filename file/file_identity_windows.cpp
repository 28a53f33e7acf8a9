// Windows form: the volume serial number and the file index of an open handle, which
// CreateFileW reaches through links.
#include "file/file_identity.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <iterator>

namespace {

// FileIdInfo first: it also answers for a handle inherited as standard input, where wine's
// GetFileInformationByHandle does not. On NTFS both give the same numbers.
bool identify(HANDLE file, file_identity& identity) noexcept {
    FILE_STANDARD_INFO standard{};
    if (GetFileType(file) != FILE_TYPE_DISK ||
        GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) == 0 ||
        standard.Directory != FALSE) {
        return false;
    }
    FILE_ID_INFO file_id{};
    if (GetFileInformationByHandleEx(file, FileIdInfo, &file_id, sizeof file_id) != 0) {
        std::uint64_t index = 0;
        // The low half, as the file index has it.
        std::memcpy(&index, std::data(file_id.FileId.Identifier), sizeof index);
        identity = {file_id.VolumeSerialNumber, index};
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file, &information) == 0) {
        return false;
    }
    identity = {information.dwVolumeSerialNumber,
                static_cast<std::uint64_t>(information.nFileIndexHigh) << 32U | information.nFileIndexLow};
    return true;
}

} // namespace

bool identify_file(const char* name, file_identity& identity) noexcept {
    // Names are in the ANSI code page, as the C runtime hands over a program's arguments.
    std::array<wchar_t, 4096> wide{};
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide.data(), static_cast<int>(wide.size())) == 0) {
        return false;
    }
    // No access asked: only the file's information is read, whoever holds it open.
    HANDLE file = CreateFileW(wide.data(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool found = identify(file, identity);
    (void)CloseHandle(file);
    return found;
}

bool identify_standard_input(file_identity& identity) noexcept {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return input != INVALID_HANDLE_VALUE && input != nullptr && identify(input, identity);
}

bool identify_standard_output(file_identity& identity) noexcept {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output != INVALID_HANDLE_VALUE && output != nullptr && identify(output, identity);
}

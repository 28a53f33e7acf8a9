// The POSIX words for a failure of the file writer: the C library's own.
#include <cstring>

#include "file/replace_file.h"

const char* file_error_text(int error) noexcept {
    return std::strerror(error);
}

// The file writer on this platform, in what the program's own black-box cases cannot reach:
// names with a folder, sizes other than the image's, and the words for its failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "file/replace_file.h"

namespace {

namespace fs = std::filesystem;

// Each test works in a new empty folder of its own.
class FileWriter : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("replace_file_test." + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(folder_)) << folder_;
    }
    void TearDown() override {
        fs::remove_all(folder_);
    }

    [[nodiscard]] std::string path(const char* name) const {
        return (folder_ / name).string();
    }

    // The names in `folder`, sorted.
    [[nodiscard]] static std::vector<std::string> names_in(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

std::vector<std::uint8_t> contents(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// More than one write's worth on any system, and no byte value left out.
std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7U) ^ (i >> 8U));
    }
    return bytes;
}

TEST_F(FileWriter, WritesBesideTheNameInItsOwnFolder) {
    ASSERT_TRUE(fs::create_directory(folder_ / "sub"));
    const std::string name = path("sub/image.bin");
    const auto first = pattern(300000);
    ASSERT_EQ(write_file_replacing(name.c_str(), first), 0);
    EXPECT_EQ(contents(name), first);

    const auto second = pattern(1000);
    ASSERT_EQ(write_file_replacing(name.c_str(), second), 0);
    EXPECT_EQ(contents(name), second);
    EXPECT_EQ(names_in(folder_ / "sub"), std::vector<std::string>{"image.bin"});
    EXPECT_EQ(names_in(folder_), std::vector<std::string>{"sub"});
}

TEST_F(FileWriter, WritesAnEmptyFile) {
    const std::string name = path("empty.bin");
    ASSERT_EQ(write_file_replacing(name.c_str(), pattern(10)), 0);
    ASSERT_EQ(write_file_replacing(name.c_str(), {}), 0);
    EXPECT_TRUE(fs::exists(name));
    EXPECT_EQ(fs::file_size(name), 0U);
}

TEST_F(FileWriter, FailsWithoutAFolderAndLeavesNothing) {
    const std::string name = path("missing/image.bin");
    const int error = write_file_replacing(name.c_str(), pattern(10));
    EXPECT_NE(error, 0);
    EXPECT_TRUE(names_in(folder_).empty());
}

TEST_F(FileWriter, FailsOnANameTooLongAndLeavesNothing) {
    const std::string name = path(std::string(5000, 'x').c_str());
    const int error = write_file_replacing(name.c_str(), pattern(10));
    EXPECT_NE(error, 0);
    EXPECT_TRUE(names_in(folder_).empty());
}

#ifdef _WIN32
// A hidden system file stays so.
TEST_F(FileWriter, KeepsTheOldFilesAttributes) {
    const std::string name = path("image.bin");
    ASSERT_EQ(write_file_replacing(name.c_str(), pattern(10)), 0);
    ASSERT_NE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0);
    ASSERT_EQ(write_file_replacing(name.c_str(), pattern(20)), 0);
    EXPECT_EQ(contents(name), pattern(20));
    const DWORD attributes = GetFileAttributesA(name.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0U);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_SYSTEM, 0U);
    EXPECT_EQ(names_in(folder_), std::vector<std::string>{"image.bin"});
}

constexpr int not_found = ERROR_FILE_NOT_FOUND;
constexpr int access_denied = ERROR_ACCESS_DENIED;
constexpr int disk_full = ERROR_DISK_FULL;
#else
constexpr int not_found = ENOENT;
constexpr int access_denied = EACCES;
constexpr int disk_full = ENOSPC;
#endif

// An error line reads "program: file: reason": the reason is one line with no period.
TEST(FileErrorText, OneLineWithoutAPeriod) {
    for (const int error : {not_found, access_denied, disk_full}) {
        const std::string text = file_error_text(error);
        ASSERT_FALSE(text.empty()) << error;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << error << ": " << text;
        EXPECT_NE(text.back(), '.') << error << ": " << text;
        EXPECT_NE(text.back(), ' ') << error << ": " << text;
    }
    const std::string first = file_error_text(not_found);
    EXPECT_NE(first, file_error_text(access_denied));
}

// Words for a code the system has none for, as the C library on Linux gives them.
TEST(FileErrorText, UnknownCode) {
    EXPECT_STREQ(file_error_text(123456), "Unknown error 123456");
}

} // namespace

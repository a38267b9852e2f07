// The program directory: the program file's path without its name.
#include <gtest/gtest.h>

#include <filesystem>

#include "program_directory.h"

using brennic::platform::DirectoryOfPath;

TEST(DirectoryOfPath, KeepsASeparatorOnlyForARoot) {
    struct Row {
        const char* name;
        const char* path;
        const char* separators;
        const char* expected;
    };
    const Row rows[] = {
        {"posix_folder", "/opt/brennic/brennic", "/", "/opt/brennic"},
        {"posix_root", "/brennic", "/", "/"},
        {"posix_backslash_is_a_name", "/opt/a\\b", "/", "/opt"},
        {"windows_folder", "C:\\Program Files\\Brennic\\Brennic.exe", "\\/",
         "C:\\Program Files\\Brennic"},
        {"windows_root", "C:\\Brennic.exe", "\\/", "C:\\"},
        {"windows_forward_slash", "C:/Tools/Brennic.exe", "\\/", "C:/Tools"},
        {"windows_share", "\\\\server\\share\\Brennic.exe", "\\/", "\\\\server\\share"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DirectoryOfPath(row.path, row.separators), row.expected);
    }
}

TEST(ProgramDirectory, HoldsTheRunningProgram) {
    const std::string dir = brennic::platform::ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(std::string("/\\").find(dir.back()), std::string::npos) << dir;
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(dir) / TEST_PROGRAM_FILE));
}

// The ordinary-file check on the real file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "file_lookup.h"

namespace fs = std::filesystem;
using brennic::platform::SystemFileLookup;

TEST(SystemFileLookup, OnlyOrdinaryFilesCount) {
    const fs::path dir = fs::temp_directory_path() / "brennic_file_lookup_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "MSINFO32.EXE") << "x";
    std::ofstream(dir / ".hidden") << "x";
    std::ofstream(dir / "empty");

    struct Row {
        const char* name;
        fs::path path;
        bool expected;
    };
    const Row rows[] = {
        {"regular_file", dir / "MSINFO32.EXE", true},
        {"empty_regular_file", dir / "empty", true},
        {"hidden_dot_file", dir / ".hidden", false},
        {"folder", dir / "folder", false},
        {"missing", dir / "missing.exe", false},
        {"under_a_file_not_a_folder", dir / "MSINFO32.EXE" / "MSINFO32.EXE", false},
        {"empty_path", fs::path(), false},
    };
    SystemFileLookup lookup;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(lookup.OrdinaryFileExists(row.path.string()), row.expected);
    }
    fs::remove_all(dir);
}

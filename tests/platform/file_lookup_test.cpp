// The ordinary-file check on the real file system: on Windows with real hidden
// and system attributes, elsewhere with a leading dot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "file_lookup.h"

namespace fs = std::filesystem;
using brennic::platform::SystemFileLookup;

TEST(SystemFileLookup, OnlyOrdinaryFilesCount) {
    const fs::path dir = fs::temp_directory_path() / "brennic_file_lookup_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    for (const char* name : {"MSINFO32.EXE", ".hidden", "hidden", "system", "read-only"})
        std::ofstream(dir / name) << "x";
    std::ofstream(dir / "empty");

    struct Row {
        const char* name;
        fs::path path;
        bool expected;
    };
    std::vector<Row> rows = {
        {"regular_file", dir / "MSINFO32.EXE", true},
        {"empty_regular_file", dir / "empty", true},
        {"folder", dir / "folder", false},
        {"missing", dir / "missing.exe", false},
        {"under_a_file_not_a_folder", dir / "MSINFO32.EXE" / "MSINFO32.EXE", false},
        {"empty_path", fs::path(), false},
    };
#ifdef _WIN32
    // Windows hides a file by its attributes. (A name with a leading dot is left
    // out: wine shows such files as hidden, Windows does not.)
    const auto mark = [](const fs::path& path, DWORD attributes) {
        ASSERT_TRUE(SetFileAttributesA(path.string().c_str(), attributes)) << path;
    };
    mark(dir / "hidden", FILE_ATTRIBUTE_HIDDEN);
    mark(dir / "system", FILE_ATTRIBUTE_SYSTEM);
    mark(dir / "read-only", FILE_ATTRIBUTE_READONLY);
    rows.insert(rows.end(), {
                                {"hidden_file", dir / "hidden", false},
                                {"system_file", dir / "system", false},
                                {"read_only_file_is_ordinary", dir / "read-only", true},
                            });
#else
    rows.push_back({"hidden_dot_file", dir / ".hidden", false});
#endif
    SystemFileLookup lookup;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(lookup.OrdinaryFileExists(row.path.string()), row.expected);
    }
#ifdef _WIN32
    for (const char* name : {"hidden", "system", "read-only"})
        SetFileAttributesA((dir / name).string().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
    fs::remove_all(dir);
}

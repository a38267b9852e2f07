// The platform layer on the real system: the ordinary-file check (on Windows with
// real hidden and system attributes, elsewhere with a leading dot), the program
// directory, and splitting and starting command lines (on Windows through
// CreateProcessA, elsewhere through posix_spawnp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file_lookup.h"
#include "platform/program_directory.h"
#include "platform/system_program_starter.h"

namespace fs = std::filesystem;
using namespace brennic::platform;

TEST(SystemFileLookup, OnlyOrdinaryFilesCount) {
    const fs::path dir = fs::temp_directory_path() / "brennic_file_lookup_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    for (const char* name : {"MSINFO32.EXE", ".hidden", "hidden", "system", "read-only"})
        std::ofstream(dir / name) << "x";
    std::ofstream(dir / "empty");
    // (A name with a leading dot hides a file off Windows only: wine shows such
    // files as hidden, Windows does not.) The last but one lies under a file.
    std::vector<std::pair<fs::path, bool>> rows = {{dir / "MSINFO32.EXE", true},
                                                   {dir / "empty", true},
                                                   {dir / "folder", false},
                                                   {dir / "missing.exe", false},
                                                   {dir / "MSINFO32.EXE" / "MSINFO32.EXE", false},
                                                   {{}, false}};
#ifdef _WIN32
    const std::pair<const char*, DWORD> marks[] = {{"hidden", FILE_ATTRIBUTE_HIDDEN},
                                                   {"system", FILE_ATTRIBUTE_SYSTEM},
                                                   {"read-only", FILE_ATTRIBUTE_READONLY}};
    for (const auto& [name, attributes] : marks) {
        ASSERT_TRUE(SetFileAttributesA((dir / name).string().c_str(), attributes)) << name;
        rows.push_back({dir / name, attributes == FILE_ATTRIBUTE_READONLY});
    }
#else
    rows.push_back({dir / ".hidden", false});
#endif
    for (const auto& [path, ordinary] : rows)
        EXPECT_EQ(SystemFileLookup().OrdinaryFileExists(path.string()), ordinary) << path;
#ifdef _WIN32
    for (const auto& [name, attributes] : marks)
        SetFileAttributesA((dir / name).string().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
    fs::remove_all(dir);
}

TEST(ProgramDirectory, HoldsTheRunningProgramAndKeepsASeparatorOnlyForARoot) {
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(std::string("/\\").find(dir.back()), std::string::npos) << dir;
    EXPECT_TRUE(fs::is_regular_file(fs::path(dir) / TEST_PROGRAM_FILE));
    // clang-format off
    const std::tuple<const char*, const char*, const char*> rows[] = { // path, separators, folder
        {"/opt/brennic/brennic", "/", "/opt/brennic"}, {"/brennic", "/", "/"},
        {"/opt/a\\b", "/", "/opt"}, // a backslash is part of a POSIX name
        {"C:\\Program Files\\Brennic\\Brennic.exe", "\\/", "C:\\Program Files\\Brennic"},
        {"C:\\Brennic.exe", "\\/", "C:\\"}, {"C:/Tools/Brennic.exe", "\\/", "C:/Tools"},
        {"\\\\server\\share\\Brennic.exe", "\\/", "\\\\server\\share"}};
    // clang-format on
    for (const auto& [path, separators, expected] : rows)
        EXPECT_EQ(DirectoryOfPath(path, separators), expected) << path;
}

TEST(SystemProgramStarter, SplitsAtBlanksOutsideQuotesAndReportsWhetherTheProgramStarted) {
    // clang-format off
    const std::pair<const char*, std::vector<std::string>> splits[] = {
        {"c:\\winnt\\hh.exe /opt/brennic\\BrennicHelp.chm",
         {"c:\\winnt\\hh.exe", "/opt/brennic\\BrennicHelp.chm"}},
        {"  a \t b  ", {"a", "b"}}, {"a \"\"", {"a", ""}}, {"", {}},
        {"\"C:\\Program Files\\msinfo32.exe\" /x", {"C:\\Program Files\\msinfo32.exe", "/x"}}};
    // clang-format on
    for (const auto& [commandLine, words] : splits)
        EXPECT_EQ(SplitCommandLine(commandLine), words) << commandLine;

    const auto notExecutable = fs::temp_directory_path() / "brennic_starter_test_not_executable";
    std::ofstream(notExecutable) << "not a program\n";
    const std::pair<std::string, bool> starts[] = {
#ifdef _WIN32
        {"cmd.exe /c exit 0", true},
        {"C:\\nonexistent\\brennic-viewer.exe", false},
#else
        {"true", true},
        {"/nonexistent/brennic-viewer", false},
#endif
        {"c:\\winnt\\hh.exe /opt\\BrennicHelp.chm", false}, // the help viewer, missing here
        {notExecutable.string(), false},
        {"", false},
        {"  ", false}};
    for (const auto& [commandLine, started] : starts)
        EXPECT_EQ(SystemProgramStarter().Start(commandLine), started) << commandLine;
    fs::remove(notExecutable);
}

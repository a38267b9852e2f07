// Splitting a command line into words and starting programs on this system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "system_program_starter.h"

using brennic::platform::SplitCommandLine;
using brennic::platform::SystemProgramStarter;
using Words = std::vector<std::string>;

TEST(SplitCommandLine, SplitsAtBlanksOutsideQuotes) {
    struct Row {
        const char* name;
        const char* commandLine;
        Words expected;
    };
    const Row rows[] = {
        {"windows_help_line",
         "c:\\winnt\\hh.exe /opt/brennic\\BrennicHelp.chm",
         {"c:\\winnt\\hh.exe", "/opt/brennic\\BrennicHelp.chm"}},
        {"runs_of_blanks_and_tabs", "  a \t b  ", {"a", "b"}},
        {"double_quotes_keep_blanks",
         "\"C:\\Program Files\\msinfo32.exe\" /x",
         {"C:\\Program Files\\msinfo32.exe", "/x"}},
        {"empty_quotes_are_a_word", "a \"\"", {"a", ""}},
        {"empty", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SplitCommandLine(row.commandLine), row.expected);
    }
}

// On Windows through CreateProcessA, elsewhere through posix_spawnp.
TEST(SystemProgramStarter, ReportsWhetherTheProgramStarted) {
    const auto notExecutable =
        std::filesystem::temp_directory_path() / "brennic_starter_test_not_executable";
    std::ofstream(notExecutable) << "not a program\n";

    struct Row {
        const char* name;
        std::string commandLine;
        bool expected;
    };
    const Row rows[] = {
#ifdef _WIN32
        {"program_on_the_path", "cmd.exe /c exit 0", true},
        {"missing_program", "C:\\nonexistent\\brennic-viewer.exe", false},
#else
        {"program_on_the_path", "true", true},
        {"missing_program", "/nonexistent/brennic-viewer", false},
#endif
        {"windows_help_viewer", "c:\\winnt\\hh.exe /opt\\BrennicHelp.chm", false},
        {"file_that_is_not_a_program", notExecutable.string(), false},
        {"empty", "", false},
        {"blanks", "  ", false},
    };
    SystemProgramStarter starter;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(starter.Start(row.commandLine), row.expected);
    }
    std::filesystem::remove(notExecutable);
}

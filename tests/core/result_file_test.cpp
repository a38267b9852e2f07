// Result.txt on disk: its exact bytes, what each way a run can end leaves in it,
// where it is put, and how a file that cannot be written is reported.
#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

#include "result_file.h"
#include "run.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Grid;
const Grid WorkedExample("20 5 0|3 15 2|2 5 48");

const std::string Header = "\"PC\",\"PO\",\"KAPPA\",\"LO-95% CI\",\"HI-95% CI\",\"SE\",\"Z\"\r\n";

using ResultFile = test::TempDirTest;

TEST_F(ResultFile, HoldsTheHeaderAndValuesOfTheLastRunOnly) {
    const struct {
        char separator;
        const char* valuesLine;
    } rows[] = {
        {'.', " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
              " 0.0795394908975717  9.0828967024969 \r\n"},
        {',', " 0,3875  0,83  0,722448979591837  0,599793371618005  0,845104587565668 "
              " 0,0795394908975717  9,0828967024969 \r\n"},
    };
    ASSERT_EQ(Header.size(), 52u);
    writeFile(dir / "Result.txt", "old contents\r\nof any length\r\nand lines\r\n");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.separator);
        for (int run = 0; run < 2; ++run) { // the second replaces the first
            const auto outcome = RunKappa(3, WorkedExample.cells(), row.separator, dir.string());
            ASSERT_TRUE(std::holds_alternative<run::Written>(outcome));
            EXPECT_EQ(std::get<run::Written>(outcome).ResultPath, (dir / "Result.txt").string());
        }
        EXPECT_EQ(readFile(dir / "Result.txt"), Header + row.valuesLine);
    }
}

TEST_F(ResultFile, KeepsOrResetsThePreviousFileAsEachFailureRequires) {
    const std::string previous = Header + " 1  1  1  1  1  1  1 \r\n";
    const struct {
        const char* name;
        int n;
        Grid grid;
        std::string expected;
    } rows[] = {
        {"cell_not_a_number_keeps_previous", 2, Grid("1 2|3 four"), previous},
        {"empty_cell_keeps_previous", 2, Grid("1 2|_ 4"), previous},
        {"size_out_of_range_keeps_previous", 255, Grid("1 2|3 4"), previous},
        {"arithmetic_error_leaves_header_only", 2, Grid("0 0|0 0"), Header},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(dir / "Result.txt", previous);
        RunKappa(row.n, row.grid.cells(), '.', dir.string());
        EXPECT_EQ(readFile(dir / "Result.txt"), row.expected);
    }
}

TEST_F(ResultFile, JoinsTheDirectoryWithoutLookingAtItsEnd) {
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(MakeResultPath(sep), sep + sep + "Result.txt");
    // A directory text ending in a separator is used as it stands.
    const auto outcome = RunKappa(3, WorkedExample.cells(), '.', dir.string() + sep);
    ASSERT_TRUE(std::holds_alternative<run::Written>(outcome));
    EXPECT_EQ(std::get<run::Written>(outcome).ResultPath, dir.string() + sep + sep + "Result.txt");
    EXPECT_EQ(readFile(dir / "Result.txt").substr(0, 52), Header);
}

// CI runs as root, so the failures come from the shape of the path, not from
// permissions. Windows gives its own reasons for the two shapes: a file in the
// way of a folder leaves the path not found, a folder in the way of the file
// refuses access.
#ifdef _WIN32
constexpr int FileAsDirectory = ENOENT, DirectoryAsFile = EACCES;
#else
constexpr int FileAsDirectory = ENOTDIR, DirectoryAsFile = EISDIR;
#endif

TEST_F(ResultFile, NamesTheOperationPathAndReasonOfAFileError) {
    writeFile(dir / "plain-file", "x");
    std::filesystem::create_directories(dir / "has-directory" / "Result.txt");
    const struct {
        const char* name;
        std::filesystem::path programDirectory;
        int reason;
    } rows[] = {
        {"missing_directory", dir / "missing", ENOENT},
        {"regular_file_as_directory", dir / "plain-file", FileAsDirectory},
        {"result_path_is_a_directory", dir / "has-directory", DirectoryAsFile},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = (row.programDirectory / "Result.txt").string();
        const auto outcome = RunKappa(3, WorkedExample.cells(), '.', row.programDirectory.string());
        ASSERT_TRUE(std::holds_alternative<run::File>(outcome));
        const FileError& error = std::get<run::File>(outcome).error;
        EXPECT_EQ(error.operation + " " + error.path + ": " + error.reason,
                  "create " + path + ": " + std::generic_category().message(row.reason));
        EXPECT_EQ(AppendResultValues(path, KappaResult{}, '.').value().operation, "open");
    }
    EXPECT_EQ(readFile(dir / "plain-file"), "x");
}

} // namespace
} // namespace brennic

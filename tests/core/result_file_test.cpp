// Result.txt on disk: the worked examples' exact bytes, what each way a run can
// end leaves in it, where it is put, and how a file that cannot be written is
// reported.
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

// Each row starts from a longer file of other contents and runs twice.
TEST_F(ResultFile, HoldsTheLastRunOrKeepsThePreviousFile) {
    const std::string previous = "old contents\r\nof any length\r\nand lines\r\n";
    const struct {
        const char* name;
        int n;
        Grid grid;
        char separator;
        std::string file;
    } rows[] = {
        // clang-format off
        {"worked_example", 3, WorkedExample, '.', Header +
         " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
         " 0.0795394908975717  9.0828967024969 \r\n"},
        {"worked_example_comma", 3, WorkedExample, ',', Header +
         " 0,3875  0,83  0,722448979591837  0,599793371618005  0,845104587565668 "
         " 0,0795394908975717  9,0828967024969 \r\n"},
        {"chance_agreement_negative_limit", 2, Grid("5 5|5 5"), '.', Header +
         " 0.5  0.5  0 -0.447213595499958  0.447213595499958  0.223606797749979  0 \r\n"},
        {"fractional_counts_upper_limit_above_one", 2, Grid("2.5 1|0.5 6"), '.', Header +
         " 0.56  0.85  0.659090909090909  0.145836827698354  1.17234499048346 "
         " 0.356753034006338  1.84747106896139 \r\n"},
        {"arithmetic_error_leaves_header_only", 2, Grid("0 0|0 0"), '.', Header},
        {"cell_not_a_number_keeps_previous", 2, Grid("1 2|3 four"), '.', previous},
        {"point_under_comma_keeps_previous", 2, Grid("1 2|3 2.5"), ',', previous},
        {"empty_cell_keeps_previous", 2, Grid("1 2|_ 4"), '.', previous},
        {"size_out_of_range_keeps_previous", 255, Grid("1 2|3 4"), '.', previous},
        // clang-format on
    };
    ASSERT_EQ(Header.size(), 52u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(dir / "Result.txt", previous);
        for (int run = 0; run < 2; ++run) {
            const auto outcome = RunKappa(row.n, row.grid.cells(), row.separator, dir.string());
            if (const auto* written = std::get_if<run::Written>(&outcome)) {
                EXPECT_EQ(written->ResultPath, (dir / "Result.txt").string());
            }
        }
        EXPECT_EQ(readFile(dir / "Result.txt"), row.file);
    }
}

// No test for a separator already at the end: a root directory gives two.
TEST(ResultPath, JoinsTheDirectoryWithoutLookingAtItsEnd) {
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(MakeResultPath(sep), sep + sep + "Result.txt");
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
